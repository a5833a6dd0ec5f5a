// Records the floor tapes: for every main row and every function of ours that
// computes its quantity, the C mathematics library calls the function makes
// for each argument of the row (see tape.h). Writes the tape file and, if
// asked, a JSON summary of the calls per row for the report.
//
//   varnel_tape_recorder TAPE_FILE [SUMMARY_JSON]
//   varnel_tape_recorder --hooks      the functions it can record, one a line
#include <cstdio>
#include <cstring>
#include <map>

#include "suite.hpp"
#include "tape_file.hpp"

namespace {

bench::Tape* g_recording = nullptr;

void record(const tape_call* call) {
  if (g_recording != nullptr) g_recording->calls.push_back(*call);
}

const char* const kFunctionNames[] = {
#define TAPE_NAME(name, sig) #name,
    TAPE_FUNCTIONS(TAPE_NAME)
#undef TAPE_NAME
};

// {"row/function": {"exp": calls per argument, ...}, ...}
bool write_summary(const char* path, const bench::TapeBook& book) {
  std::FILE* f = std::fopen(path, "w");
  if (f == nullptr) return false;
  std::fprintf(f, "{");
  const char* sep = "\n";
  for (const auto& [key, tape] : book) {
    std::map<int, std::size_t> per_function;
    for (const auto& call : tape.calls) ++per_function[call.op];
    const double n = static_cast<double>(tape.offsets.size() - 1);
    std::fprintf(f, "%s  \"%s\": {", sep, key.c_str());
    const char* inner = "";
    for (const auto& [op, count] : per_function) {
      std::fprintf(f, "%s\"%s\": %.6g", inner, kFunctionNames[op], static_cast<double>(count) / n);
      inner = ", ";
    }
    std::fprintf(f, "}");
    sep = ",\n";
  }
  std::fprintf(f, "\n}\n");
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--hooks") == 0) {
    for (const char* name : kFunctionNames) std::printf("%s\n", name);
    return 0;
  }
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s TAPE_FILE [SUMMARY_JSON] | --hooks\n", argv[0]);
    return 2;
  }
  const auto& rows = bench::rows();  // drawn before recording starts
  const auto ours = varnel::bench_functions::implementations();
  tape_set_sink(record);
  bench::TapeBook book;
  for (const auto& row : rows) {
    if (row.size_sweep) continue;
    for (const auto& impl : ours) {
      if (impl.quantity != row.quantity) continue;
      bench::Tape& tape = book[bench::tape_key(row.id(), impl.name)];
      tape.args_digest = row.args->digest();
      for (std::size_t i = 0; i < row.args->size(); ++i) {
        std::uint64_t bits[2];
        tape.offsets.push_back(static_cast<std::uint32_t>(tape.calls.size()));
        g_recording = &tape;
        impl.kernel.bits(*row.args, i, bits);
        g_recording = nullptr;
      }
      tape.offsets.push_back(static_cast<std::uint32_t>(tape.calls.size()));
    }
  }
  tape_set_sink(nullptr);
  // The error functions call exp on most of their arguments: a book without
  // a single call means the stand-ins were bypassed, and every floor would
  // read as free.
  std::size_t total = 0;
  for (const auto& entry : book) total += entry.second.calls.size();
  if (total == 0) {
    std::fprintf(stderr, "no call reached the recorder: the library does not call the mathematics "
                         "library through the names the recorder defines\n");
    return 1;
  }
  if (!bench::write_tapes(argv[1], book)) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  if (argc == 3 && !write_summary(argv[2], book)) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
