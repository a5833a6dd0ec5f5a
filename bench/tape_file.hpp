// Tapes on disk: for each row and function of ours, the elementary calls it
// made for each argument of the row.
#ifndef VARNEL_BENCH_TAPE_FILE_HPP
#define VARNEL_BENCH_TAPE_FILE_HPP

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tape.h"

namespace bench {

struct Tape {
  std::uint64_t args_digest = 0;       // ArgSet::digest() of the arguments recorded
  std::vector<std::uint32_t> offsets;  // calls of argument i: [offsets[i], offsets[i + 1])
  std::vector<tape_call> calls;
};

// Keyed by tape_key(row id, function name).
using TapeBook = std::map<std::string, Tape>;

inline std::string tape_key(const std::string& row, const std::string& function) {
  return row + "/" + function;
}

bool write_tapes(const std::string& path, const TapeBook& book);
// On failure returns false and says why in *error.
bool read_tapes(const std::string& path, TapeBook* book, std::string* error);

}  // namespace bench

#endif  // VARNEL_BENCH_TAPE_FILE_HPP
