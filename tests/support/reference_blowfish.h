#pragma once
// A second Blowfish, written for the tests from the algorithm's published description and
// sharing nothing with the program's cipher: its P-array and S-boxes are the hexadecimal
// digits of pi, computed here. With it the tests check that what the program enciphers can be
// read by anyone who knows only the algorithm and the file layout, and the reverse.

#include <cstdint>
#include <string>
#include <vector>

namespace vaultora::test {

class TReferenceBlowfish {
 public:
  explicit TReferenceBlowfish(const std::string& key);
  void EncryptBlock(uint32_t& left, uint32_t& right) const;
  void DecryptBlock(uint32_t& left, uint32_t& right) const;

  // CBC over whole blocks with an 8-byte register that is updated.
  void CbcEncrypt(std::vector<uint8_t>& data, uint8_t iv[8]) const;
  void CbcDecrypt(std::vector<uint8_t>& data, uint8_t iv[8]) const;

 private:
  uint32_t F(uint32_t x) const;
  uint32_t P[18];
  uint32_t S[4][256];
};

// The first count 32-bit words of the fraction of pi (0x243F6A88, 0x85A308D3, ...).
std::vector<uint32_t> PiFractionWords(size_t count);

// The enciphered file layout as a reader outside the program would implement it.
std::vector<uint8_t> ReferenceEncryptFile(const std::vector<uint8_t>& plain,
                                          const std::string& key);
std::vector<uint8_t> ReferenceDecryptFile(std::vector<uint8_t> cipher, const std::string& key);

}  // namespace vaultora::test
