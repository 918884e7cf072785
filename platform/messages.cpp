#include "platform/messages.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include <fmt/format.h>

namespace {

DefaultMessageHandler defaultHandler;
IMessageHandler* currentHandler = &defaultHandler;
std::atomic<uint64_t> exceptionsShown{0};

UnicodeString FromWide(const wchar_t* text) {
    UnicodeString out;
    for (; text && *text; ++text) {
        auto c = static_cast<uint32_t>(*text);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

bool DefaultMessageHandler::Question(const UnicodeString& text, const UnicodeString& caption, unsigned) {
    std::cerr << caption << ": " << text << " -> oui\n";
    return true;
}

void DefaultMessageHandler::Information(const UnicodeString& text) {
    std::cerr << text << '\n';
}

void DefaultMessageHandler::DisplayException(unsigned long code, const UnicodeString& message) {
    std::cerr << FormatLocationCode(code) << ' ' << message << '\n';
}

IMessageHandler* SetMessageHandler(IMessageHandler* handler) {
    IMessageHandler* previous = currentHandler;
    currentHandler = handler ? handler : &defaultHandler;
    return previous == &defaultHandler ? nullptr : previous;
}

uint64_t ExceptionsShown() {
    return exceptionsShown.load();
}

UnicodeString FormatLocationCode(unsigned long code) {
    return fmt::format("[0x{:08X}]", code);
}

bool OKTQuestion(const wchar_t* text, const wchar_t* caption, unsigned flags) {
    return OKTQuestion(FromWide(text), FromWide(caption), flags);
}

bool OKTQuestion(const UnicodeString& text, const UnicodeString& caption, unsigned flags) {
    return currentHandler->Question(text, caption, flags);
}

void OKTInformation(const UnicodeString& text) {
    currentHandler->Information(text);
}

void OKTDisplayException(unsigned long code, const std::exception& e, void*) {
    ++exceptionsShown;
    currentHandler->DisplayException(code, e.what());
}

bool OKTFileExist(const UnicodeString& directory, const UnicodeString& file) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(std::filesystem::path(directory) / file, ignored);
}

EUser::EUser(unsigned long code, const std::exception& cause, int) : Exception(cause.what()), Code(code) {}

EUser::EUser(unsigned long code, const UnicodeString& message) : Exception(message), Code(code) {}

bool RecordingMessageHandler::Question(const UnicodeString& text, const UnicodeString&, unsigned) {
    questions.push_back(text);
    if (answers.empty()) return defaultAnswer;
    bool answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

void RecordingMessageHandler::Information(const UnicodeString& text) {
    informations.push_back(text);
}

void RecordingMessageHandler::DisplayException(unsigned long code, const UnicodeString& message) {
    exceptions.push_back({code, message});
}
