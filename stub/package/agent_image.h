#pragma once
// The auto-update agent executable that the stub writes while extracting a package that asks
// for it: the package file's bytes up to the records (the executable and its header blocks),
// the package end pointer at 252 cleared, and the trailer as read with IsAutoUpdate set and
// TrailerSize 74.
#include <string>

#include "stub/package/byte_source.h"

// False (image empty) when the file carries no package or its blocks do not fit in it.
bool AgentExecutableImage(ByteSource& file, std::string& image);
