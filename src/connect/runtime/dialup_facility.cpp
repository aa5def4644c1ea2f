#include <cstdio>
#include <cstdlib>
#include <memory>

#include "connect/runtime/nmcli_ras_adapter.h"
#include "connect/runtime/ras_dialer.h"
#include "connect/simulated_ras_adapter.h"

namespace vaultora {

namespace {

std::unique_ptr<TRasAdapter> MakeDialupAdapter() {
  const char* choice = std::getenv("VAULTORA_DIALUP");
  const std::string name = choice ? choice : "";
  if (name.empty() || name == "none") return std::make_unique<TNoDialupAdapter>();
  if (name == "nmcli") {
    if (TNmcliRasAdapter::Available()) return std::make_unique<TNmcliRasAdapter>();
    std::fprintf(stderr, "VAULTORA_DIALUP=nmcli: nmcli was not found; no dial-up facility\n");
    return std::make_unique<TNoDialupAdapter>();
  }
  auto simulated = std::make_unique<TSimulatedRasAdapter>();
  std::string error;
  if (simulated->LoadFromFile(name, error)) return simulated;
  std::fprintf(stderr, "VAULTORA_DIALUP: %s; no dial-up facility\n", error.c_str());
  return std::make_unique<TNoDialupAdapter>();
}

}  // namespace

TRasAdapter& DialupAdapter() {
  static const std::unique_ptr<TRasAdapter> adapter = MakeDialupAdapter();
  return *adapter;
}

}  // namespace vaultora
