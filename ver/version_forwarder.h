// The version record of a module and its forwarding to the version agent.
#pragma once

#include <cstdint>

#include "corvane/module_table.h"
#include "ver/ver_exports.h"

class ModuleVersion {
 public:
  using Agent = decltype(&::read_runtime_module_version_agent);

  explicit ModuleVersion(const char* identifier) { module_versions::FillVersionRecord(identifier, &record_); }

  // Where the module's start-up stores the agent it bound.
  Agent* agentSlot() { return &agent_; }

  // Hands the argument and the record to the agent and its result back unchanged.
  std::int64_t Forward(int a) const { return agent_ ? agent_(a, &record_) : 0; }
  const VERSIONRECORD& record() const { return record_; }

 private:
  VERSIONRECORD record_{};
  Agent agent_ = nullptr;
};
