#include "server/account_store.h"

#include <nettle/memops.h>
#include <nettle/pbkdf2.h>
#include <sys/random.h>

namespace vaultora::server {

namespace {

constexpr size_t kSaltSize = 16;
constexpr size_t kHashSize = 32;

std::vector<uint8_t> RandomSalt() {
  std::vector<uint8_t> salt(kSaltSize);
  size_t have = 0;
  while (have < salt.size()) {
    const ssize_t got = getrandom(salt.data() + have, salt.size() - have, 0);
    if (got <= 0) throw EServerError("Cannot read random bytes for the password salt");
    have += static_cast<size_t>(got);
  }
  return salt;
}

std::vector<uint8_t> Hash(const std::string& password, const std::vector<uint8_t>& salt,
                          int iterations) {
  std::vector<uint8_t> hash(kHashSize);
  pbkdf2_hmac_sha256(password.size(), reinterpret_cast<const uint8_t*>(password.data()),
                     static_cast<unsigned>(iterations), salt.size(), salt.data(), hash.size(),
                     hash.data());
  return hash;
}

void CheckPassword(const std::string& password) {
  if (password.empty()) throw EServerError("The password must not be empty");
}

}  // namespace

bool TAccountStore::ValidName(const std::string& name) {
  if (name.empty() || name.size() > 64) return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F) return false;
  return true;
}

void TAccountStore::Add(const std::string& name, const std::string& password, int iterations) {
  if (!ValidName(name)) throw EServerError("Invalid account name \"" + name + "\"");
  CheckPassword(password);
  const std::vector<uint8_t> salt = RandomSalt();
  const std::vector<uint8_t> hash = Hash(password, salt, iterations);
  auto lock = FDb.Lock();
  if (TStatement(FDb, "SELECT 1 FROM accounts WHERE name = ?").Bind(1, name).Step())
    throw EServerError("The account \"" + name + "\" exists already");
  TStatement(FDb, "INSERT INTO accounts(name, salt, hash, iterations) VALUES(?, ?, ?, ?)")
      .Bind(1, name)
      .BindBlob(2, salt)
      .BindBlob(3, hash)
      .Bind(4, static_cast<int64_t>(iterations))
      .Run();
}

bool TAccountStore::Remove(const std::string& name) {
  auto lock = FDb.Lock();
  TTransaction transaction(FDb);
  TStatement find(FDb, "SELECT id FROM accounts WHERE name = ?");
  if (!find.Bind(1, name).Step()) return false;
  const int64_t id = find.Integer(0);
  TStatement(FDb, "DELETE FROM backups WHERE account = ?").Bind(1, id).Run();
  TStatement(FDb, "DELETE FROM accounts WHERE id = ?").Bind(1, id).Run();
  transaction.Commit();
  return true;
}

bool TAccountStore::SetPassword(const std::string& name, const std::string& password,
                                int iterations) {
  CheckPassword(password);
  const std::vector<uint8_t> salt = RandomSalt();
  const std::vector<uint8_t> hash = Hash(password, salt, iterations);
  auto lock = FDb.Lock();
  TStatement(FDb, "UPDATE accounts SET salt = ?, hash = ?, iterations = ? WHERE name = ?")
      .BindBlob(1, salt)
      .BindBlob(2, hash)
      .Bind(3, static_cast<int64_t>(iterations))
      .Bind(4, name)
      .Run();
  return sqlite3_changes(FDb.Handle()) > 0;
}

std::vector<std::string> TAccountStore::List() {
  auto lock = FDb.Lock();
  std::vector<std::string> names;
  TStatement list(FDb, "SELECT name FROM accounts ORDER BY name");
  while (list.Step())
    names.push_back(list.Text(0));
  return names;
}

int64_t TAccountStore::IdOf(const std::string& name) {
  auto lock = FDb.Lock();
  TStatement find(FDb, "SELECT id FROM accounts WHERE name = ?");
  return find.Bind(1, name).Step() ? find.Integer(0) : 0;
}

int64_t TAccountStore::Verify(const std::string& name, const std::string& password) {
  int64_t id = 0;
  std::vector<uint8_t> salt, expected;
  int iterations = 0;
  {
    auto lock = FDb.Lock();
    TStatement find(FDb, "SELECT id, salt, hash, iterations FROM accounts WHERE name = ?");
    if (!find.Bind(1, name).Step()) return 0;
    id = find.Integer(0);
    salt = find.Blob(1);
    expected = find.Blob(2);
    iterations = static_cast<int>(find.Integer(3));
  }
  // The slow hash runs outside the lock, so one logon does not hold up the others.
  const std::vector<uint8_t> hash = Hash(password, salt, iterations);
  if (hash.size() != expected.size() || !memeql_sec(hash.data(), expected.data(), hash.size()))
    return 0;
  return id;
}

}  // namespace vaultora::server
