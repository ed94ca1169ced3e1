#pragma once

#include "JuceIncludes.h"

// Moving a file to the user's trash without ever losing it. The framework's own move copies
// and then deletes when the trash is on another file system, without checking the copy: a
// full trash would take the file and keep an empty or short copy of it. Here the original is
// removed only once its copy in the trash is complete and holds the same bytes.
namespace Trash
{
/** The trash's folder of files, found as the framework finds it: ~/.Trash when that is a
    folder, otherwise ~/.local/share/Trash/files (which may not exist). */
juce::File filesFolder();

/** Moves file into filesFolder() under its own name, or "name (2).ext", "name (3).ext" ...
    when that is taken: with one rename, or, when the trash is on another file system, by a
    checked copy and only then the removal of the original. In the freedesktop trash
    (~/.local/share/Trash/files) a "<name>.trashinfo" file in its "info" folder then tells
    where the file came from and when it went. True when the file is in the trash and gone
    from its folder (or was not there at all); false leaves it where it was and no copy of it
    in the trash. */
bool moveToTrash (const juce::File& file);

/** Tests: the rename tried first, in place of ::rename (null brings ::rename back). */
using Rename = int (*) (const char* from, const char* to);
void setRenameForTests (Rename rename);
} // namespace Trash
