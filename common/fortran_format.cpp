// Fortran formatted output: the record walk (items, reversion, early stop)
// over a parsed format, and the per-thread cache of parsed formats. The
// parser is in format_parse.cpp, the field editors in format_edit.cpp.
#include "fortran_format.h"

#include <array>
#include <stdexcept>
#include <utility>

#include "format_edit.h"

namespace textio {
namespace {

// Edits `args` by `f` into `out` as format_into describes, throwing where
// it throws.
void walk(std::string& out,
          const FortranFormat& f,
          std::span<const FmtArg> args) {
  size_t ai = 0, pos = 0;
  int pending = 0;  // blanks from nX, written only if the record goes on
  for (;;) {
    if (pos == f.steps.size()) {
      if (ai == args.size()) return;
      if (!f.reversion_has_data) {
        throw std::invalid_argument(
            "format has no edit descriptor for the remaining items");
      }
      out += '\n';
      pending = 0;
      pos = f.reversion;
      continue;
    }
    const EditStep& s = f.steps[pos++];
    switch (s.kind) {
      case EditKind::kX:
        pending += s.w;
        continue;
      case EditKind::kSlash:
        out += '\n';
        pending = 0;
        continue;
      case EditKind::kLiteral:
        out.append(pending, ' ');
        pending = 0;
        out += s.text;
        continue;
      default:
        break;
    }
    if (ai == args.size()) return;
    out.append(pending, ' ');
    pending = 0;
    edit_item(out, s, args[ai++]);
  }
}

}  // namespace

void format_into(std::string& out,
                 const FortranFormat& format,
                 std::span<const FmtArg> args) {
  const size_t start = out.size();
  try {
    walk(out, format, args);
  } catch (...) {
    out.resize(start);  // no half-edited record
    throw;
  }
}

std::string format_with(const FortranFormat& format,
                        std::span<const FmtArg> args) {
  std::string out;
  format_into(out, format, args);
  return out;
}

std::string fortran_format(std::string_view format,
                           std::span<const FmtArg> args) {
  // A program uses a handful of constant formats; keep the last few parsed
  // ones per thread and replace them round-robin.
  struct Cache {
    std::array<std::pair<std::string, FortranFormat>, 16> slots;
    size_t used = 0, next = 0;
  };
  thread_local Cache cache;
  for (size_t k = 0; k < cache.used; ++k) {
    if (cache.slots[k].first == format) {
      return format_with(cache.slots[k].second, args);
    }
  }
  auto& slot = cache.slots[cache.next];
  slot.second = parse_format(format);
  slot.first = std::string(format);
  cache.next = (cache.next + 1) % cache.slots.size();
  if (cache.used < cache.slots.size()) ++cache.used;
  return format_with(slot.second, args);
}

}  // namespace textio
