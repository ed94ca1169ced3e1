#pragma once

#include "JuceIncludes.h"
#include <utility>
#include <vector>

// Saving a file so that it is never lost or torn: the new contents go to a temporary sibling,
// which is written, flushed and checked, and only then put in the target's place with one
// rename. On any failure the target is left exactly as it was and the sibling is removed.
//
// A process killed in the middle of a save leaves the target either as it was or complete
// with its new contents; only its hidden temporary sibling may stay behind. Such a sibling is
// named "." + the target's tag + ".saving-" + the id of the process that wrote it + "-" + a
// serial + "-" + random hex digits, so no listing of "*.kdseq", "*.preset" or "*.mid" files
// ever shows it, and the next completed save of the same target removes the siblings of
// processes that are gone. The tag is the target's name when that takes at most 215 bytes;
// for a longer name it is its first bytes (cut between characters), "~" and a hash of the
// whole name, 216 bytes in all, so that the sibling's name never takes more than the 255
// bytes a file name may have, and siblings of two long names that begin alike stay apart.
//
// A save keeps the file it replaces as the user set it up. The new file takes the permission
// bits of the one it replaces (a new file gets the mode the umask leaves); its owner and group
// are those of whoever saves. A target that is a symbolic link is followed to the file it
// names, to the end of a chain of links, each read relative to its own folder: that file is
// replaced, with its temporary sibling beside it, and the links stay links. A link that names
// a missing file has that file written; a loop of links, or a link into a folder that is not
// there, is a failed save.
namespace FileSaving
{
bool replaceWith (const juce::File& target, const void* data, size_t size);
bool replaceWith (const juce::File& target, const juce::MemoryBlock& data);
bool replaceWith (const juce::File& target, const juce::String& text8bit);

/** Several files saved together: every new content is written to its temporary sibling and
    checked first, and only once all of them are complete are they renamed over their
    targets, one right after the other in the order given. On any failure before the renames
    no target is touched. A save killed between two renames leaves the first targets new and
    the rest as they were (each of them whole): give the file that stands for the whole set
    last. */
bool replaceAllWith (const std::vector<std::pair<juce::File, juce::MemoryBlock>>& files);

/** Names the temporary sibling a save of target writes first (a hidden file in the same
    folder, unique to the call); for a symbolic link, a save writes that of the file it names. */
juce::File temporarySiblingFor (const juce::File& target);

/** Whether file is a temporary sibling of target, by its name. */
bool isTemporarySiblingOf (const juce::File& file, const juce::File& target);

/** Removes the temporary siblings of target left by processes that no longer run (a save
    killed halfway); those of running processes stay. For a target that is a symbolic link,
    those of the file it names. Returns how many were removed. */
int removeStaleTemporaries (const juce::File& target);
} // namespace FileSaving
