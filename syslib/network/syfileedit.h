// Rewriting a system file through a temporary copy beside it, so that a failure at any step leaves
// either the old file or the new one whole, never neither, and no copy behind.
#pragma once

#include "framework/iastring.h"

#include <functional>
#include <string>
#include <vector>

namespace syslib
{
namespace network
{
// The steps after the temporary copy exists, in order.
enum eEditStep
{
    EDIT_READ,          // the original is read
    EDIT_WRITE,         // the copy is opened and its kept lines written
    EDIT_APPEND,        // the new line is written
    EDIT_ACCESS_RIGHTS, // the copy gets the original's access rights
    EDIT_REPLACE        // the copy is moved onto the original
};

// Called before each step; a hook that throws makes that step fail. Tests only; null otherwise.
typedef void (*EditStepHook)(eEditStep step);
EditStepHook setEditStepHook(EditStepHook hook);
void runEditStep(eEditStep step);

// Decides about one line of the original (without its line end): true keeps it.
typedef std::function<bool(const iastring& line)> CSyLineFilter;

// Rewrites file: copies it to file + ".Qeltmp", keeps the lines keep accepts byte for byte (every line
// when keep is empty), appends newLine with the file's own line end unless newLine is empty, gives the
// copy the original's access rights and moves it onto the original. Any failure removes the copy and
// passes on.
void editThroughTemporaryCopy(const iastring& file, const CSyLineFilter& keep, const iastring& newLine);

// The lines of a file without their line ends; a missing file is a failure (ESyFileNotFound).
std::vector<iastring> readLines(const iastring& file);

// The Windows half: each reports its failure (log, then throw) itself.
// The copy is left writable, a read-only original too.
void copyForEdit(const iastring& from, const iastring& to);
std::string readFileBytes(const iastring& file);
// Opens the copy for writing (emptied when truncate, else at its end), writes kept, runs the EDIT_APPEND
// step, writes appended and closes.
void writeToCopy(const iastring& copy, bool truncate, const std::string& kept, const std::string& appended);
// Owner, group, DACL and its protection.
void copyAccessRights(const iastring& from, const iastring& to);
// The copy takes the original's attributes, read-only included, and its place.
void replaceWithCopy(const iastring& copy, const iastring& file);
// Removes the copy after a failure, read-only or not; a failure here is only traced.
void removeCopyQuietly(const iastring& copy);
} // namespace network
} // namespace syslib
