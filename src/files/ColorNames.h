#pragma once
// The names the Options dialog shows for its colour choices, in the interface language:
// plain words ("Green", "Window background (system)") instead of programming names.

#include <QString>

namespace vexmo {

// The name of entry `index` of NamedColors() (1 English, any other value Japanese); empty
// for an index outside the list.
QString ColorPlainName(int index, int language);

} // namespace vexmo
