#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tidemark {

// What `--help` and `--version` ask for. They are answered before anything
// else runs, whatever other switches are given; any other argument is left to
// the modes that read it.
enum class InformationRequest { none, help, version };

InformationRequest informationRequest(const std::vector<std::string>& args);

std::string usageText();
std::string versionText(std::string_view version);

// Prints the requested text on `out`; always returns 0.
int runInformationCommand(InformationRequest request, std::string_view version, std::ostream& out);

}  // namespace tidemark
