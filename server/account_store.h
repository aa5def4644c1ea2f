#pragma once
// TAccountStore: the server's accounts. A password is never stored: only a random salt and a
// PBKDF2-SHA256 hash of many iterations. Thread-safe (through the database's lock).

#include <cstdint>
#include <string>
#include <vector>

#include "server/server_database.h"

namespace vaultora::server {

class TAccountStore {
 public:
  static constexpr int kDefaultIterations = 200000;

  explicit TAccountStore(TServerDatabase& db) : FDb(db) {}

  // Raises EServerError for an invalid or taken name or an empty password.
  void Add(const std::string& name, const std::string& password,
           int iterations = kDefaultIterations);
  // False when there is no such account.
  bool Remove(const std::string& name);
  bool SetPassword(const std::string& name, const std::string& password,
                   int iterations = kDefaultIterations);
  std::vector<std::string> List();
  // The account's id when name and password match, else 0.
  int64_t Verify(const std::string& name, const std::string& password);
  int64_t IdOf(const std::string& name);

  // A logon name: 1 to 64 printable characters.
  static bool ValidName(const std::string& name);

 private:
  TServerDatabase& FDb;
};

}  // namespace vaultora::server
