#include "simboard/AccessLog.h"

#include <algorithm>

namespace simboard {

namespace {
template <class Keep>
std::vector<Access> select(const std::vector<Access>& entries, Keep keep) {
  std::vector<Access> out;
  for (const Access& a : entries) {
    if (keep(a)) out.push_back(a);
  }
  return out;
}
}  // namespace

void AccessLog::clear(Space space) {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [space](const Access& a) { return a.space == space; }),
                 entries_.end());
}

std::vector<Access> AccessLog::in(Space space) const {
  return select(entries_, [space](const Access& a) { return a.space == space; });
}

std::vector<Access> AccessLog::in(Space space, const RegisterBlock& block) const {
  return select(entries_, [space, &block](const Access& a) { return a.space == space && a.block == &block; });
}

std::vector<Access> AccessLog::between(Space space, uint64_t from, uint64_t to) const {
  return select(entries_, [=](const Access& a) { return a.space == space && a.offset >= from && a.offset < to; });
}

}  // namespace simboard
