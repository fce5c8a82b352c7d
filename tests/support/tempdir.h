// A fresh directory under the temporary folder for one test, removed with everything in it.
#pragma once

#include "framework/iastring.h"

class CTempDir
{
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const iastring& path() const { return m_path; }
    // path() + "\" + name
    iastring operator/(const iastring& name) const { return m_path + L"\\" + name; }

private:
    iastring m_path;
};

// Writes the bytes to the file, replacing it.
void writeTestFile(const iastring& path, const std::string& content);
// Removes a file or a directory tree; read-only entries included.
void removeTestTree(const iastring& path);
