// Internal to qsbase: the registry file shared by every process of the user.
//
// Reads use the tree as last read, re-reading the file first when it changed (another process
// replaced it). A change takes an exclusive flock on "<file>.lock", re-reads, applies the change and
// writes the whole file to a temporary beside it, which is renamed over the file, so a reader sees
// either the old or the new store, never a mix.
#pragma once
#include <functional>

#include "platform/base/registry_tree.h"

namespace qsbase::reg {

// `read` runs on the current tree under the store's lock; its result is returned.
LONG ReadStore(const std::function<LONG(const Tree &)> &read);
// `change` runs on the current tree under the store's and the file's lock and sets `*changed` when
// it modified the tree, which is then written back. A store whose file could not be read cleanly is
// not written (ERROR_REGISTRY_CORRUPT), so what could not be understood is never lost.
LONG WriteStore(const std::function<LONG(Tree &, bool *changed)> &change);

}  // namespace qsbase::reg
