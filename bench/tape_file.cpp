// The tape file: a magic line, then per tape its key, the digest of its
// arguments, the offsets and the calls, in the machine's byte order (a tape
// is made and replayed on the same machine, in the same build).
#include "tape_file.hpp"

#include <cstdio>
#include <memory>

namespace bench {

namespace {

constexpr char kMagic[8] = {'V', 'N', 'T', 'A', 'P', 'E', '1', '\n'};

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

template <typename T>
bool put(std::FILE* f, const T* data, std::size_t count) {
  return std::fwrite(data, sizeof(T), count, f) == count;
}
template <typename T>
bool get(std::FILE* f, T* data, std::size_t count) {
  return std::fread(data, sizeof(T), count, f) == count;
}

}  // namespace

bool write_tapes(const std::string& path, const TapeBook& book) {
  File f(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!f) return false;
  const std::uint64_t count = book.size();
  bool ok = put(f.get(), kMagic, sizeof kMagic) && put(f.get(), &count, 1);
  for (const auto& [key, tape] : book) {
    const std::uint64_t sizes[3] = {key.size(), tape.offsets.size(), tape.calls.size()};
    ok = ok && put(f.get(), sizes, 3) && put(f.get(), key.data(), key.size()) &&
         put(f.get(), &tape.args_digest, 1) && put(f.get(), tape.offsets.data(), tape.offsets.size()) &&
         put(f.get(), tape.calls.data(), tape.calls.size());
  }
  return ok && std::fflush(f.get()) == 0;
}

bool read_tapes(const std::string& path, TapeBook* book, std::string* error) {
  File f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f) {
    *error = "cannot open " + path;
    return false;
  }
  char magic[sizeof kMagic];
  std::uint64_t count = 0;
  if (!get(f.get(), magic, sizeof magic) || std::string(magic, sizeof magic) != std::string(kMagic, sizeof kMagic) ||
      !get(f.get(), &count, 1)) {
    *error = path + " is not a tape file";
    return false;
  }
  for (std::uint64_t t = 0; t < count; ++t) {
    std::uint64_t sizes[3];
    if (!get(f.get(), sizes, 3) || sizes[0] > 4096) {
      *error = path + " is cut short";
      return false;
    }
    std::string key(sizes[0], '\0');
    Tape tape;
    tape.offsets.resize(sizes[1]);
    tape.calls.resize(sizes[2]);
    if (!get(f.get(), key.data(), key.size()) || !get(f.get(), &tape.args_digest, 1) ||
        !get(f.get(), tape.offsets.data(), tape.offsets.size()) ||
        !get(f.get(), tape.calls.data(), tape.calls.size())) {
      *error = path + " is cut short";
      return false;
    }
    (*book)[key] = std::move(tape);
  }
  return true;
}

}  // namespace bench
