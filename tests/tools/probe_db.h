// The engine_probe verb for the queue's database file.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// engine_probe db FILE [--write OUT]: prints the header and the items; --write rewrites them with
// the queue's own writer. args starts after the verb. 0 on success.
int ProbeDb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
