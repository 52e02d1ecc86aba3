#pragma once
// The loose objects of a repository read by us: a power cut can leave one truncated or empty, and
// libgit2 1.5 then loops forever inflating it. This reader finds such an object damaged at once.
#include <atomic>
#include <memory>

struct git_repository;

namespace git {

// Put in front of the repository's own loose objects (writes still go to libgit2, at zlib's
// fastest level). `danado` is set when an object is found damaged.
bool LeerSueltosConCuidado(git_repository *repo, std::shared_ptr<std::atomic_bool> danado);

} // namespace git
