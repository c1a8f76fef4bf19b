// Helpers shared by the variant files; not part of the runtime's interface.
#pragma once
#include "platform/automation/variant.h"

namespace qs::automation::detail {

// A type this runtime can hold: a supported base type with at most VT_ARRAY and VT_BYREF.
bool IsValidType(VARTYPE vt);
// Fills `view` with the value a VT_BYREF variant (other than VT_BYREF | VT_VARIANT) refers to. The view
// borrows that value: it must not be cleared.
HRESULT ReadReference(const VARIANT &ref, VARIANT *view);

}  // namespace qs::automation::detail
