#pragma once

#include "JuceIncludes.h"

// Moving a file to the user's trash without ever losing it. The framework's own move copies
// and then deletes when the trash is on another file system, without checking the copy: a
// full trash would take the file and keep an empty or short copy of it. It also gives up when
// the trash's folder is not there yet, as on every account where nothing was thrown away.
// Here the trash's folders are made when missing, and the original is removed only once its
// copy in the trash is complete and holds the same bytes.
namespace Trash
{
/** The trash's folder of files: ~/.Trash when that is a folder, otherwise the home trash's
    "files" folder, $XDG_DATA_HOME/Trash/files when XDG_DATA_HOME holds an absolute path and
    ~/.local/share/Trash/files when not (either may not exist yet). */
juce::File filesFolder();

/** Moves file into filesFolder() under its own name, or "<stem> (2)<ext>", "<stem> (3)<ext>"
    ... up to 9999 when that is taken (with the extension as getFileExtension() gives it): with
    one rename, or, when the trash is on another file system, by a checked copy and only then
    the removal of the original. In the home trash, its "files" and "info" folders are made
    when missing (mode 0700, with their parents), and before the file moves, a note
    "<name>.trashinfo" in "info" tells where it came from and when it went: made exclusively,
    it reserves the name, so a name taken in "files" or in "info" moves on to the next one and
    no note there is ever written over; a note that cannot be written whole, or a move that
    fails, leaves no note. A name that would not fit the 255 bytes a file name may have (in the
    home trash, with ".trashinfo" after it for the note) is cut short between characters before
    its number and extension. True when the file is in the trash and gone from its folder (or
    was not there at all); false leaves it where it was and nothing of it in the trash. */
bool moveToTrash (const juce::File& file);

/** Tests: the rename tried first, in place of ::rename (null brings ::rename back). */
using Rename = int (*) (const char* from, const char* to);
void setRenameForTests (Rename rename);

/** Tests: called with the copy in the trash once it is written across file systems, before
    it is read back and compared with the original (null: nothing is called). */
using CopyWritten = void (*) (const juce::File& copy);
void setCopyWrittenForTests (CopyWritten copyWritten);
} // namespace Trash
