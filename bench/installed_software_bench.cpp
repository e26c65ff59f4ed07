// Measures the installed-software list: reading a dpkg status database of 30,000 stanzas shaped
// like real ones (descriptions with continuation lines, multi-arch pairs, some packages not
// installed) and filling the dialog's sorted result list from it.
//
//   parse and fill the sorted list   <= 0.5 s
//   packages per second              >= 60,000 (the same bound as a rate)
//
//   installed_software_bench [--stanzas N]
//
// The file lives in a temporary folder that is removed afterwards. The figure is the best of five
// rounds; a miss makes the exit status 1. Runs offscreen unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QComboBox>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <unistd.h>

#include "Pellamor/DLG/CDlgInstSwListBox/CDlgInstSwListBox.h"
#include "bench/bench_report.h"
#include "platform/system_facts.h"

namespace {

// One stanza as dpkg writes it; every 16th is not installed, every 50th has an i386 twin.
void WriteStanzas(std::ofstream& out, int count) {
  static const char* kStates[] = {"install ok installed", "deinstall ok config-files", "install ok unpacked"};
  int written = 0;
  for (int i = 0; written < count; ++i) {
    const std::string name = "lib" + std::to_string(i * 7919 % 100003) + "-pkg";
    const bool twin = i % 50 == 0;
    for (int arch = 0; arch < (twin ? 2 : 1) && written < count; ++arch, ++written) {
      const char* state = i % 16 == 5 ? kStates[1 + i % 2] : kStates[0];
      out << "Package: " << name << "\nStatus: " << state << "\nPriority: optional\nSection: libs\n"
          << "Installed-Size: " << (i % 900 + 12) << "\nMaintainer: Debian Team <team@lists.example.org>\n"
          << "Architecture: " << (arch ? "i386" : "amd64") << "\n"
          << (twin ? "Multi-Arch: same\n" : "") << "Source: " << name << "-src\nVersion: 1." << i % 37
          << ".2-3\nDepends: libc6 (>= 2.34), libgcc-s1 (>= 3.0)\n"
          << "Description: shared library number " << i << "\n"
          << " This package holds the run-time part of a library used by many programs.\n"
          << " It is installed as a dependency of other packages.\n .\n"
          << " This line continues the long description of the package.\n"
          << "Homepage: https://example.org/" << name << "\n\n";
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int stanzas = 30000;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--stanzas") stanzas = std::atoi(argv[i + 1]);
  QApplication app(argc, argv);

  std::error_code ec;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("instsw_bench_" + std::to_string(platform::ProcessId()));
  std::filesystem::create_directories(dir, ec);
  const std::string status = (dir / "status").string();
  {
    std::ofstream out(status, std::ios::binary);
    WriteStanzas(out, stanzas);
  }
  CDlgInstSwListBox::SetStatusFile(status);

  qsizetype listed = 0;
  const double seconds = bench::Best(5, [&] {
    CDlgInstSwListBox box;
    const auto start = bench::Clock::now();
    box.SourceList()->setCurrentIndex(1);
    const double t = bench::Seconds(start);
    listed = box.Results().Names().size();
    return listed > 0 ? t : -1.0;
  });
  std::filesystem::remove_all(dir, ec);

  std::printf("%lld packages listed from %d stanzas\n", static_cast<long long>(listed), stanzas);
  bool ok = bench::Report("parse and fill the sorted list", seconds, 0.5, "s");
  ok &= bench::ReportAtLeast("packages per second", seconds > 0 ? listed / seconds : -1, 60000, "pkg/s", 0);
  return ok ? 0 : 1;
}
