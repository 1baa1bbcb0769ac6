// The name under which a program started elevated finds a file that the user reaches through a
// drive letter. The elevated program runs in the administrators' logon session, which has none of
// the user's network drive mappings nor SUBST drives, so a path on such a drive names nothing there.
#pragma once

#include <cstddef>

// Writes into out the name of path that another logon session resolves to the same file: the path
// itself on a local drive and when it starts with no drive letter; the share's name
// (\\server\share\...) on a mapped network drive; the folder it stands for on a SUBST drive,
// resolved again while that folder is on such a drive too. False, with out empty, when that name
// cannot be worked out or does not fit into outChars units.
bool PathForElevation(const wchar_t* path, wchar_t* out, size_t outChars);
