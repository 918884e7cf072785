// The platform's string list: lines of text, each with an optional object pointer (not owned).
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "platform/system.h"

class TStrings {
  public:
    virtual ~TStrings() = default;

    int Add(const UnicodeString& text) { return AddObject(text, nullptr); }
    int AddObject(const UnicodeString& text, void* object) {
        items_.push_back({text, object});
        return static_cast<int>(items_.size()) - 1;
    }
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    const UnicodeString& Strings(int index) const { return items_.at(index).text; }
    void* Objects(int index) const { return items_.at(index).object; }
    int IndexOf(const UnicodeString& text) const {
        for (size_t i = 0; i < items_.size(); ++i)
            if (items_[i].text == text) return static_cast<int>(i);
        return -1;
    }
    // The lines joined by a line feed.
    UnicodeString Text() const {
        UnicodeString text;
        for (const auto& item : items_) text += item.text + "\n";
        return text;
    }
    // Replaces the contents by the lines of a text.
    void SetText(const UnicodeString& text) {
        Clear();
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == UnicodeString::npos) end = text.size();
            Add(text.substr(start, end - start));
            start = end + 1;
        }
    }

  private:
    struct Item {
        UnicodeString text;
        void* object;
    };
    std::vector<Item> items_;
};

using TStringList = TStrings;

// The columns of a data grid, as far as the engine reads them: each column's field name.
class TColumn {
  public:
    explicit TColumn(UnicodeString fieldName) : FieldName(std::move(fieldName)) {}
    UnicodeString FieldName;
};

class TDBGridColumns {
  public:
    TColumn* Add(const UnicodeString& fieldName) {
        columns_.push_back(std::make_unique<TColumn>(fieldName));
        return columns_.back().get();
    }
    int Count() const { return static_cast<int>(columns_.size()); }
    TColumn* Items(int index) const { return columns_.at(index).get(); }

  private:
    std::vector<std::unique_ptr<TColumn>> columns_;
};
