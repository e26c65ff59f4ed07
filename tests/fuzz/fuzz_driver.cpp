// Deterministic mutation driver over the fuzz entry points.
//
//   pellamor_fuzz [--fixtures DIR] [--target NAME]... [--iterations N] [--seconds S] [--seed N]
//   pellamor_fuzz --target NAME --replay-hex HEX     runs one input
//   pellamor_fuzz --target NAME --replay-file FILE   the same, the hex read from a file
//   pellamor_fuzz --write-seeds DIR                   each target's seeds as files, DIR/<target>/,
//                                                     a starting corpus for the libFuzzer programs
//   pellamor_fuzz --self-test                         the planted fault must be found
//   pellamor_fuzz --list
//
// Every target starts from its seeds (hand-made inputs and pieces of the fixture images) and runs
// mutants made from them by a fixed-seed generator: bit flips, bytes set to boundary values,
// fields of 16, 32 and 64 bits overwritten with boundary values, truncation and splices. The same
// options give the same inputs. A fault prints the target and the input as hex before the process
// dies, so the input can be replayed.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_targets.h"

#if defined(__SANITIZE_ADDRESS__)
#define PELLAMOR_FUZZ_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELLAMOR_FUZZ_ASAN 1
#endif
#endif
#ifdef PELLAMOR_FUZZ_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

#ifndef PELLAMOR_FIXTURE_DIR
#define PELLAMOR_FIXTURE_DIR ""
#endif

namespace {

using fuzz::Bytes;
using fuzz::Field;
using fuzz::Target;

// ---- The input being run, for the fault report ----------------------------------------------

const char* volatile g_target = nullptr;
const std::uint8_t* volatile g_input = nullptr;
volatile std::size_t g_inputSize = 0;
volatile sig_atomic_t g_reported = 0;

void WriteText(const char* text) {
  ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
  (void)ignored;
}

// Async-signal-safe: only write(2).
void ReportInput() {
  if (g_reported || g_target == nullptr) return;
  g_reported = 1;
  char line[160];
  std::snprintf(line, sizeof line, "\nfuzz: target %s failed on an input of %zu bytes; replay with\n",
                g_target, static_cast<std::size_t>(g_inputSize));
  WriteText(line);
  WriteText("  pellamor_fuzz --target ");
  WriteText(g_target);
  WriteText(" --replay-hex ");
  static const char kHex[] = "0123456789abcdef";
  char buffer[512];
  std::size_t used = 0;
  for (std::size_t i = 0; i < g_inputSize; ++i) {
    buffer[used++] = kHex[g_input[i] >> 4];
    buffer[used++] = kHex[g_input[i] & 15];
    if (used == sizeof buffer) {
      ssize_t ignored = write(STDERR_FILENO, buffer, used);
      (void)ignored;
      used = 0;
    }
  }
  buffer[used++] = '\n';
  ssize_t ignored = write(STDERR_FILENO, buffer, used);
  (void)ignored;
}

void OnSignal(int sig) {
  ReportInput();
  signal(sig, SIG_DFL);
  raise(sig);
}

}  // namespace

#ifdef PELLAMOR_FUZZ_ASAN
// Called by the undefined-behaviour sanitizer for each report (its death callback is its own).
extern "C" void __ubsan_on_report() { ReportInput(); }
#endif

namespace {

void InstallReporters() {
#ifdef PELLAMOR_FUZZ_ASAN
  __sanitizer_set_death_callback(ReportInput);
#endif
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) signal(sig, OnSignal);
}

// Runs one input from an exact-size heap copy, so that a read past its end is caught.
void RunOne(const Target& t, const Bytes& input) {
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[input.size()]);
  if (!input.empty()) std::memcpy(copy.get(), input.data(), input.size());
  g_target = t.name;
  g_input = copy.get();
  g_inputSize = input.size();
  t.entry(copy.get(), input.size());
  g_input = nullptr;
  g_inputSize = 0;
}

// ---- Mutations --------------------------------------------------------------------------------

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {  // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint64_t Below(std::uint64_t n) { return n == 0 ? 0 : Next() % n; }
  template <typename T, std::size_t N>
  T Pick(const T (&values)[N]) { return values[Below(N)]; }

 private:
  std::uint64_t state_;
};

std::uint64_t NameHash(const char* name) {
  std::uint64_t h = 1469598103934665603ull;
  for (; *name; ++name) h = (h ^ static_cast<std::uint8_t>(*name)) * 1099511628211ull;
  return h;
}

std::uint64_t ReadField(const Bytes& b, const Field& f) {
  std::uint64_t v = 0;
  for (unsigned i = 0; i < f.width; ++i) v |= std::uint64_t{b[f.offset + i]} << (8 * i);
  return v;
}

void WriteField(Bytes* b, const Field& f, std::uint64_t v) {
  for (unsigned i = 0; i < f.width; ++i) (*b)[f.offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint64_t BoundaryValue(Rng& rng, unsigned width, const Bytes& input) {
  static const std::uint64_t k8[] = {0, 1, 0x7F, 0x80, 0xFF, 0xFE, 0x10, 0xE0};
  static const std::uint64_t k16[] = {0, 1, 0x7FFF, 0x8000, 0xFFFF, 0xFFFE, 0x200, 0x1000, 0x0FFF};
  static const std::uint64_t k32[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0x10000, 0xFFFFFFF7};
  static const std::uint64_t k64[] = {0, 1, 0x7FFFFFFFFFFFFFFFull, 0x8000000000000000ull, ~0ull, ~0ull - 1,
                                      1ull << 32, 1ull << 40};
  if (rng.Below(6) == 0) {
    // Sizes of the input itself, for fields that are offsets or lengths.
    const std::uint64_t sizes[] = {input.size(), input.size() - 1, input.size() + 1, input.size() / 2};
    return rng.Pick(sizes);
  }
  switch (width) {
    case 1: return rng.Pick(k8);
    case 2: return rng.Pick(k16);
    case 4: return rng.Pick(k32);
    default: return rng.Pick(k64);
  }
}

void Mutate(Rng& rng, const Target& t, const std::vector<Bytes>& seeds, Bytes* b) {
  switch (rng.Below(8)) {
    case 0:  // flip one bit
      if (!b->empty()) (*b)[rng.Below(b->size())] ^= static_cast<std::uint8_t>(1u << rng.Below(8));
      break;
    case 1: {  // one byte to a boundary value
      static const std::uint8_t kValues[] = {0x00, 0xFF, 0x80, 0x7F};
      if (!b->empty()) (*b)[rng.Below(b->size())] = rng.Pick(kValues);
      break;
    }
    case 2:
    case 3:
    case 4: {  // a field of the structure (or any aligned spot) to a boundary value or near its own
      const std::vector<Field> fields = t.fields(*b);
      Field f;
      if (!fields.empty() && rng.Below(5) != 0) {
        f = fields[rng.Below(fields.size())];
      } else {
        static const unsigned kWidths[] = {1, 2, 4, 8};
        f.width = rng.Pick(kWidths);
        if (b->size() < f.width) break;
        f.offset = rng.Below(b->size() - f.width + 1) & ~std::size_t{f.width - 1};
      }
      if (f.offset + f.width > b->size()) break;
      std::uint64_t v = BoundaryValue(rng, f.width, *b);
      if (rng.Below(4) == 0) v = ReadField(*b, f) + (rng.Below(2) ? 1 : -1) * (1 + rng.Below(16));
      WriteField(b, f, v);
      break;
    }
    case 5: {  // truncate: anywhere, or just short of a sector or slot boundary
      if (b->empty()) break;
      std::size_t n = rng.Below(b->size());
      if (rng.Below(2) && b->size() > 32) n = (b->size() - 1) & ~std::size_t{rng.Below(2) ? 511u : 31u};
      b->resize(n);
      break;
    }
    case 6: {  // splice a piece of another seed (or of itself) over or into this one
      const Bytes& other = rng.Below(4) == 0 ? *b : seeds[rng.Below(seeds.size())];
      if (other.empty()) break;
      const std::size_t from = rng.Below(other.size());
      const std::size_t length = 1 + rng.Below(std::min<std::size_t>(other.size() - from, 1024));
      const Bytes piece(other.begin() + from, other.begin() + from + length);
      const std::size_t to = rng.Below(b->size() + 1);
      if (rng.Below(2)) {
        b->insert(b->begin() + to, piece.begin(), piece.end());
      } else {
        if (to + length > b->size()) b->resize(to + length);
        std::copy(piece.begin(), piece.end(), b->begin() + to);
      }
      break;
    }
    default:  // one random byte
      if (!b->empty()) (*b)[rng.Below(b->size())] = static_cast<std::uint8_t>(rng.Next());
      break;
  }
  if (b->size() > t.maxSize) b->resize(t.maxSize);
}

struct Run {
  const Target* target;
  std::vector<Bytes> seeds;
  std::vector<Bytes> pool;  // recent mutants, mutated further
  Rng rng;
  std::uint64_t inputs = 0;
};

void RunMutants(Run& r, std::uint64_t count) {
  const Target& t = *r.target;
  for (std::uint64_t i = 0; i < count; ++i) {
    Bytes b = !r.pool.empty() && r.rng.Below(4) == 0 ? r.pool[r.rng.Below(r.pool.size())]
                                                     : r.seeds[r.rng.Below(r.seeds.size())];
    const std::uint64_t stacked = 1 + r.rng.Below(4);
    for (std::uint64_t k = 0; k < stacked; ++k) Mutate(r.rng, t, r.seeds, &b);
    RunOne(t, b);
    ++r.inputs;
    if (r.pool.size() < 64)
      r.pool.push_back(std::move(b));
    else
      r.pool[r.rng.Below(r.pool.size())] = std::move(b);
  }
}

// ---- Options ----------------------------------------------------------------------------------

struct Options {
  std::string fixtures = PELLAMOR_FIXTURE_DIR;
  std::vector<std::string> targets;
  std::uint64_t iterations = 600;  // mutants per target
  double seconds = 0;              // when set: run for this long instead
  std::uint64_t seed = 1;
  std::string replayHex;
  std::string writeSeeds;
  bool selfTest = false;
  bool list = false;
};

int Usage() {
  std::fprintf(stderr,
               "usage: pellamor_fuzz [--fixtures DIR] [--target NAME]... [--iterations N] [--seconds S] "
               "[--seed N]\n       pellamor_fuzz --target NAME --replay-hex HEX\n"
               "       pellamor_fuzz --write-seeds DIR | --self-test | --list\n");
  return 2;
}

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char** out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    const char* v = nullptr;
    if (a == "--self-test") {
      o->selfTest = true;
    } else if (a == "--list") {
      o->list = true;
    } else if (a == "--fixtures" && value(&v)) {
      o->fixtures = v;
    } else if (a == "--target" && value(&v)) {
      o->targets.push_back(v);
    } else if (a == "--iterations" && value(&v)) {
      o->iterations = std::strtoull(v, nullptr, 10);
    } else if (a == "--seconds" && value(&v)) {
      o->seconds = std::strtod(v, nullptr);
    } else if (a == "--seed" && value(&v)) {
      o->seed = std::strtoull(v, nullptr, 10);
    } else if (a == "--replay-hex" && value(&v)) {
      o->replayHex = v;
    } else if (a == "--write-seeds" && value(&v)) {
      o->writeSeeds = v;
    } else if (a == "--replay-file" && value(&v)) {
      std::ifstream f(v);
      std::stringstream text;
      text << f.rdbuf();
      for (char c : text.str())
        if (!std::isspace(static_cast<unsigned char>(c))) o->replayHex += c;
      if (o->replayHex.empty()) return false;
    } else {
      return false;
    }
  }
  return true;
}

const Target* FindTarget(const std::string& name) {
  for (const Target& t : fuzz::Targets())
    if (name == t.name) return &t;
  return nullptr;
}

bool ParseHex(const std::string& hex, Bytes* out) {
  if (hex.size() % 2) return false;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    char* end = nullptr;
    const std::string pair = hex.substr(i, 2);
    const unsigned long v = std::strtoul(pair.c_str(), &end, 16);
    if (*end != 0) return false;
    out->push_back(static_cast<std::uint8_t>(v));
  }
  return true;
}

// ---- Self-test: the planted fault must be found -----------------------------------------------

#ifdef PELLAMOR_FUZZ_ASAN
// Runs this program with the arguments; the exit status and what it wrote to stderr.
int RunChild(const std::vector<std::string>& args, std::string* err) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    const int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) dup2(quiet, STDOUT_FILENO);
    dup2(pipeFds[1], STDERR_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv("/proc/self/exe", argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) err->append(buffer, static_cast<std::size_t>(n));
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

bool Failed(int status) { return !WIFEXITED(status) || WEXITSTATUS(status) != 0; }
#endif

int SelfTest(const Options& o) {
#ifndef PELLAMOR_FUZZ_ASAN
  (void)o;
  std::printf("self-test skipped: the planted fault is only seen in the sanitizer build\n");
  return 77;
#else
  std::string err;
  int status = RunChild({"pellamor_fuzz", "--fixtures", o.fixtures, "--target", "planted_lznt1",
                         "--iterations", std::to_string(o.iterations), "--seed", std::to_string(o.seed)},
                        &err);
  const std::string marker = "--replay-hex ";
  const std::size_t at = err.find(marker);
  if (!Failed(status) || err.find("AddressSanitizer") == std::string::npos || at == std::string::npos) {
    std::fprintf(stderr, "self-test FAILED: the planted fault was not found\n%s\n", err.c_str());
    return 1;
  }
  const std::size_t from = at + marker.size();
  const std::string hex = err.substr(from, err.find('\n', from) - from);
  std::printf("self-test: the planted fault was found (reproducer of %zu bytes)\n", hex.size() / 2);
  // The reproducer it printed fails again on its own, and the real decoder takes it safely.
  char path[] = "/tmp/pellamor_fuzz_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0 || write(fd, hex.data(), hex.size()) != static_cast<ssize_t>(hex.size())) return 1;
  close(fd);
  std::string again;
  const int replayed = RunChild({"pellamor_fuzz", "--target", "planted_lznt1", "--replay-file", path}, &again);
  std::string real;
  const int realStatus = RunChild({"pellamor_fuzz", "--target", "lznt1", "--replay-file", path}, &real);
  unlink(path);
  if (!Failed(replayed) ||
      again.find("AddressSanitizer") == std::string::npos) {
    std::fprintf(stderr, "self-test FAILED: the reproducer does not fail again\n%s\n", again.c_str());
    return 1;
  }
  if (Failed(realStatus)) {
    std::fprintf(stderr, "self-test FAILED: the real decoder fails on the reproducer\n%s\n", real.c_str());
    return 1;
  }
  std::printf("self-test passed\n");
  return 0;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, &o)) return Usage();
  InstallReporters();
  if (o.list) {
    for (const Target& t : fuzz::Targets()) std::printf("%s%s\n", t.name, t.planted ? " (planted fault)" : "");
    return 0;
  }
  if (o.selfTest) return SelfTest(o);

  std::vector<const Target*> chosen;
  for (const std::string& name : o.targets) {
    const Target* t = FindTarget(name);
    if (!t) {
      std::fprintf(stderr, "unknown target %s\n", name.c_str());
      return 2;
    }
    chosen.push_back(t);
  }
  if (chosen.empty())
    for (const Target& t : fuzz::Targets())
      if (!t.planted) chosen.push_back(&t);

  if (!o.replayHex.empty()) {
    Bytes input;
    if (chosen.size() != 1 || !ParseHex(o.replayHex, &input)) return Usage();
    RunOne(*chosen[0], input);
    std::printf("%s: the input ran without a fault\n", chosen[0]->name);
    return 0;
  }

  if (!o.writeSeeds.empty()) {
    for (const Target* t : chosen) {
      const std::filesystem::path folder = std::filesystem::path(o.writeSeeds) / t->name;
      std::filesystem::create_directories(folder);
      const std::vector<Bytes> seeds = t->seeds(o.fixtures);
      for (std::size_t i = 0; i < seeds.size(); ++i) {
        std::ofstream f(folder / ("seed-" + std::to_string(i)), std::ios::binary);
        f.write(reinterpret_cast<const char*>(seeds[i].data()), static_cast<std::streamsize>(seeds[i].size()));
      }
      std::printf("%s: %zu seeds in %s\n", t->name, seeds.size(), folder.c_str());
    }
    return 0;
  }

  std::vector<Run> runs;
  for (const Target* t : chosen) {
    Run r{t, t->seeds(o.fixtures), {}, Rng(o.seed ^ NameHash(t->name)), 0};
    for (const Bytes& s : r.seeds) {
      RunOne(*t, s);
      ++r.inputs;
    }
    runs.push_back(std::move(r));
  }
  const auto start = std::chrono::steady_clock::now();
  if (o.seconds > 0) {
    const auto end = start + std::chrono::duration<double>(o.seconds);
    while (std::chrono::steady_clock::now() < end)
      for (Run& r : runs) RunMutants(r, 200);
  } else {
    for (Run& r : runs) RunMutants(r, o.iterations);
  }
  std::uint64_t total = 0;
  for (const Run& r : runs) {
    std::printf("%-16s %4zu seeds %8llu inputs\n", r.target->name, r.seeds.size(),
                static_cast<unsigned long long>(r.inputs));
    total += r.inputs;
  }
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%llu inputs in %.1f s, no fault\n", static_cast<unsigned long long>(total), elapsed);
  return 0;
}
