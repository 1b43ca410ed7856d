#pragma once
// A player file is written as every file of the game is (os/SafeWrite.h): to a
// temporary file beside it, flushed to the disk, then renamed over it. The
// temporary name follows os::TemporaryPathFor, short enough for a profile's
// deletion to remove it too.
#include "platform/os/SafeWrite.h"

using CSafeFile = os::SafeWrite;
