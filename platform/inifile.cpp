#include "platform/inifile.h"

// Keys and values are UTF-8 text used as bytes: no conversion needed.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <charconv>
#include <cstring>
#include <filesystem>

#include <fmt/format.h>

#include "platform/files.h"

struct StaticFichierINI::Impl {
    CSimpleIniA ini{true, false, false};  // UTF-8, single keys, single-line values
};

StaticFichierINI::StaticFichierINI(const UnicodeString& path) : path_(path), impl_(std::make_unique<Impl>()) {
    std::error_code ignored;
    if (std::filesystem::exists(path, ignored) && impl_->ini.LoadFile(path.c_str()) < 0)
        throw Exception("Fichier de paramètres illisible : " + path);
}

StaticFichierINI::~StaticFichierINI() = default;

int StaticFichierINI::GetInteger(const UnicodeString& section, const UnicodeString& key,
                                 int defaultValue) const {
    const char* value = impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (!value || !*value) return defaultValue;
    const char* end = value + std::strlen(value);
    int parsed = 0;
    auto [stop, error] = std::from_chars(value + (*value == '+'), end, parsed);
    return error == std::errc() && stop == end ? parsed : defaultValue;  // out of range: the default
}

double StaticFichierINI::GetDouble(const UnicodeString& section, const UnicodeString& key,
                                   double defaultValue) const {
    const char* value = impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (!value || !*value) return defaultValue;
    // Accept both decimal separators: a settings file written by hand in France uses a comma.
    std::string text = value;
    for (char& c : text)
        if (c == ',') c = '.';
    // Read the same whatever the process's locale (strtod would stop at the point under a French one).
    const char* begin = text.c_str() + (text[0] == '+');
    const char* end = text.c_str() + text.size();
    double parsed = 0;
    auto [stop, error] = std::from_chars(begin, end, parsed);
    return error == std::errc() && stop == end ? parsed : defaultValue;
}

UnicodeString StaticFichierINI::GetString(const UnicodeString& section, const UnicodeString& key,
                                          const UnicodeString& defaultValue) const {
    return impl_->ini.GetValue(section.c_str(), key.c_str(), defaultValue.c_str());
}

bool StaticFichierINI::HasKey(const UnicodeString& section, const UnicodeString& key) const {
    return impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr) != nullptr;
}

void StaticFichierINI::SetInteger(const UnicodeString& section, const UnicodeString& key, int value) {
    SetString(section, key, std::to_string(value));
}

void StaticFichierINI::SetDouble(const UnicodeString& section, const UnicodeString& key, double value) {
    SetString(section, key, fmt::format("{}", value));
}

void StaticFichierINI::SetString(const UnicodeString& section, const UnicodeString& key,
                                 const UnicodeString& value) {
    impl_->ini.SetValue(section.c_str(), key.c_str(), value.c_str());
}

void StaticFichierINI::Save() const {
    std::string text;
    if (impl_->ini.Save(text) < 0) throw Exception("Écriture impossible du fichier " + path_);
    WriteFileSafelyNow(path_, text);
}
