// The version record of a module, its forwarding to the version agent, and the module's start-up.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "corvane/module_table.h"
#include "platform/module_startup.h"
#include "ver/ver_exports.h"

class ModuleVersion {
 public:
  using Agent = decltype(&::read_runtime_module_version_agent);

  explicit ModuleVersion(const char* identifier) { module_versions::FillVersionRecord(identifier, &record_); }

  // The module's start-up: loads its neighbours (among them "ver.dll") from the program folder and
  // binds the imports and the version agent; a failure ends the process with exitCode.
  void Start(std::initializer_list<const char*> libraries, std::vector<platform::ModuleImport> imports,
             int exitCode) {
    imports.push_back(platform::Import("ver.dll", "read_runtime_module_version_agent", &agent_));
    platform::StartModule(libraries, imports, exitCode);
  }
  // The start-up of a module whose only neighbour is the version agent.
  void StartWithAgentOnly(int exitCode) { Start({"ver.dll"}, {}, exitCode); }

  // Hands the argument and the record to the agent and its result back unchanged.
  std::int64_t Forward(int a) const { return agent_ ? agent_(a, &record_) : 0; }
  const VERSIONRECORD& record() const { return record_; }

 private:
  VERSIONRECORD record_{};
  Agent agent_ = nullptr;
};
