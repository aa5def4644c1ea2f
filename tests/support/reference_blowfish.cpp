#include "support/reference_blowfish.h"

#include <cstring>
#include <utility>

namespace vaultora::test {

namespace {

// Fixed-point numbers: word 0 is the integer part, words 1.. the fraction, most significant
// first. Enough to run Machin's formula pi = 16 atan(1/5) - 4 atan(1/239) to any precision.
using TFixed = std::vector<uint32_t>;

void DivideBy(TFixed& x, uint32_t d) {
  uint64_t rest = 0;
  for (uint32_t& w : x) {
    const uint64_t cur = (rest << 32) | w;
    w = static_cast<uint32_t>(cur / d);
    rest = cur % d;
  }
}

void MultiplyBy(TFixed& x, uint32_t m) {
  uint64_t carry = 0;
  for (size_t i = x.size(); i-- > 0;) {
    const uint64_t cur = static_cast<uint64_t>(x[i]) * m + carry;
    x[i] = static_cast<uint32_t>(cur);
    carry = cur >> 32;
  }
}

void AddTo(TFixed& x, const TFixed& y, bool subtract) {
  int64_t carry = 0;
  for (size_t i = x.size(); i-- > 0;) {
    int64_t cur = static_cast<int64_t>(x[i]) + (subtract ? -static_cast<int64_t>(y[i]) : y[i]);
    cur += carry;
    carry = cur < 0 ? -1 : (cur >> 32);
    x[i] = static_cast<uint32_t>(cur);
  }
}

bool IsZero(const TFixed& x) {
  for (uint32_t w : x)
    if (w) return false;
  return true;
}

// atan(1/n) = sum over k of (-1)^k / ((2k+1) n^(2k+1)).
TFixed ArcTanInverse(uint32_t n, size_t words) {
  TFixed sum(words, 0), power(words, 0), term(words);
  power[0] = 1;
  DivideBy(power, n);
  for (uint32_t k = 0; !IsZero(power); ++k) {
    term = power;
    DivideBy(term, 2 * k + 1);
    AddTo(sum, term, k % 2 == 1);
    DivideBy(power, n * n);
  }
  return sum;
}

void ReadBlock(const uint8_t* p, uint32_t& l, uint32_t& r) {
  l = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
  r = (uint32_t{p[4]} << 24) | (uint32_t{p[5]} << 16) | (uint32_t{p[6]} << 8) | p[7];
}

void WriteBlock(uint8_t* p, uint32_t l, uint32_t r) {
  for (int i = 0; i < 4; ++i) {
    p[i] = static_cast<uint8_t>(l >> (24 - 8 * i));
    p[4 + i] = static_cast<uint8_t>(r >> (24 - 8 * i));
  }
}

// The archive IV rule, written again from its description.
std::vector<uint8_t> ArchiveIV(const std::string& key) {
  std::string text;
  for (size_t i = 0; i < key.size(); ++i)
    text +=
        std::to_string((i + 1) * static_cast<unsigned char>(key[i])) + std::to_string(key.size());
  std::vector<uint8_t> iv(8, 0);
  for (size_t k = 0; k < text.size(); ++k)
    iv[k % 8] ^= static_cast<uint8_t>(text[k]);
  return iv;
}

}  // namespace

std::vector<uint32_t> PiFractionWords(size_t count) {
  const size_t words = count + 4;  // guard words take the rounding of the series
  TFixed pi = ArcTanInverse(5, words);
  MultiplyBy(pi, 4);
  AddTo(pi, ArcTanInverse(239, words), true);
  MultiplyBy(pi, 4);
  return std::vector<uint32_t>(pi.begin() + 1, pi.begin() + 1 + static_cast<long>(count));
}

TReferenceBlowfish::TReferenceBlowfish(const std::string& key) {
  static const std::vector<uint32_t> digits = PiFractionWords(18 + 4 * 256);
  std::memcpy(P, digits.data(), sizeof P);
  std::memcpy(S, digits.data() + 18, sizeof S);
  for (size_t i = 0, j = 0; i < 18; ++i) {
    uint32_t word = 0;
    for (int b = 0; b < 4; ++b, j = (j + 1) % key.size())
      word = (word << 8) | static_cast<unsigned char>(key[j]);
    P[i] ^= word;
  }
  uint32_t l = 0, r = 0;
  for (size_t i = 0; i < 18; i += 2) {
    EncryptBlock(l, r);
    P[i] = l;
    P[i + 1] = r;
  }
  for (auto& box : S)
    for (size_t i = 0; i < 256; i += 2) {
      EncryptBlock(l, r);
      box[i] = l;
      box[i + 1] = r;
    }
}

uint32_t TReferenceBlowfish::F(uint32_t x) const {
  return ((S[0][x >> 24] + S[1][(x >> 16) & 255]) ^ S[2][(x >> 8) & 255]) + S[3][x & 255];
}

void TReferenceBlowfish::EncryptBlock(uint32_t& left, uint32_t& right) const {
  for (int i = 0; i < 16; ++i) {
    left ^= P[i];
    right ^= F(left);
    std::swap(left, right);
  }
  std::swap(left, right);
  right ^= P[16];
  left ^= P[17];
}

void TReferenceBlowfish::DecryptBlock(uint32_t& left, uint32_t& right) const {
  for (int i = 17; i > 1; --i) {
    left ^= P[i];
    right ^= F(left);
    std::swap(left, right);
  }
  std::swap(left, right);
  right ^= P[1];
  left ^= P[0];
}

void TReferenceBlowfish::CbcEncrypt(std::vector<uint8_t>& data, uint8_t iv[8]) const {
  for (size_t at = 0; at + 8 <= data.size(); at += 8) {
    for (int i = 0; i < 8; ++i)
      data[at + i] ^= iv[i];
    uint32_t l, r;
    ReadBlock(&data[at], l, r);
    EncryptBlock(l, r);
    WriteBlock(&data[at], l, r);
    std::memcpy(iv, &data[at], 8);
  }
}

void TReferenceBlowfish::CbcDecrypt(std::vector<uint8_t>& data, uint8_t iv[8]) const {
  for (size_t at = 0; at + 8 <= data.size(); at += 8) {
    uint8_t saved[8];
    std::memcpy(saved, &data[at], 8);
    uint32_t l, r;
    ReadBlock(&data[at], l, r);
    DecryptBlock(l, r);
    WriteBlock(&data[at], l, r);
    for (int i = 0; i < 8; ++i)
      data[at + i] ^= iv[i];
    std::memcpy(iv, saved, 8);
  }
}

std::vector<uint8_t> ReferenceEncryptFile(const std::vector<uint8_t>& plain,
                                          const std::string& key) {
  std::vector<uint8_t> data = plain;
  const size_t pad = 8 - plain.size() % 8;
  data.insert(data.end(), pad, static_cast<uint8_t>(pad));
  std::vector<uint8_t> iv = ArchiveIV(key);
  TReferenceBlowfish(key).CbcEncrypt(data, iv.data());
  return data;
}

std::vector<uint8_t> ReferenceDecryptFile(std::vector<uint8_t> cipher, const std::string& key) {
  std::vector<uint8_t> iv = ArchiveIV(key);
  TReferenceBlowfish(key).CbcDecrypt(cipher, iv.data());
  if (!cipher.empty() && cipher.back() >= 1 && cipher.back() <= 8)
    cipher.resize(cipher.size() - cipher.back());
  return cipher;
}

}  // namespace vaultora::test
