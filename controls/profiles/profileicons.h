#pragma once
// The icons of the profiles editor, drawn by the program: the tree's (1 enabled,
// 2 disabled, 3 intermediate node), the receiver lists' (1 known, 2 known with
// confirmation, 3 missing with confirmation, 4 missing, 5 missing in the parallel list).
// The day types' images are the painting surface's (platform/paintsurface.h).

namespace korvel::platform {
class IconStore;
}

namespace korvel::profiles {

void FillTreeIcons(platform::IconStore& store);
void FillReceiverIcons(platform::IconStore& store);

} // namespace korvel::profiles
