// A settings file in INI format (sections of key=value lines), read and written with SimpleIni.
#pragma once

#include <memory>

#include "platform/system.h"

class StaticFichierINI {
  public:
    // Reads the file when it exists; an absent file is an empty settings file.
    explicit StaticFichierINI(const UnicodeString& path);
    ~StaticFichierINI();
    StaticFichierINI(const StaticFichierINI&) = delete;
    StaticFichierINI& operator=(const StaticFichierINI&) = delete;

    int GetInteger(const UnicodeString& section, const UnicodeString& key, int defaultValue) const;
    double GetDouble(const UnicodeString& section, const UnicodeString& key, double defaultValue) const;
    UnicodeString GetString(const UnicodeString& section, const UnicodeString& key,
                            const UnicodeString& defaultValue) const;
    bool HasKey(const UnicodeString& section, const UnicodeString& key) const;

    void SetInteger(const UnicodeString& section, const UnicodeString& key, int value);
    void SetDouble(const UnicodeString& section, const UnicodeString& key, double value);
    void SetString(const UnicodeString& section, const UnicodeString& key, const UnicodeString& value);
    // Writes the file; raises Exception on failure.
    void Save() const;
    const UnicodeString& Path() const { return path_; }

  private:
    struct Impl;
    UnicodeString path_;
    std::unique_ptr<Impl> impl_;
};
