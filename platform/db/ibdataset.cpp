// Datasets, light statements and the reading of field values.
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include <fmt/format.h>

#include "platform/db/ibx.h"

namespace {

constexpr int64_t kPow10[19] = {1LL,
                                10LL,
                                100LL,
                                1000LL,
                                10000LL,
                                100000LL,
                                1000000LL,
                                10000000LL,
                                100000000LL,
                                1000000000LL,
                                10000000000LL,
                                100000000000LL,
                                1000000000000LL,
                                10000000000000LL,
                                100000000000000LL,
                                1000000000000000LL,
                                10000000000000000LL,
                                100000000000000000LL,
                                1000000000000000000LL};

UnicodeString Upper(const UnicodeString& text) {
    UnicodeString upper = text;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// value * 10^shift exactly, rounded half away from zero when shift is negative; nullopt when the
// result does not fit 64 bits.
std::optional<int64_t> Rescaled(int64_t value, int shift) {
    using int128 = __int128;
    int128 result = value;
    if (shift >= 0) {
        if (shift > 18) return value == 0 ? std::optional<int64_t>(0) : std::nullopt;
        result *= kPow10[shift];
    } else if (-shift > 18) {
        result = 0;
    } else {
        const int128 divisor = kPow10[-shift];
        const int128 remainder = result % divisor;
        result /= divisor;
        const int128 twice = (remainder < 0 ? -remainder : remainder) * 2;
        if (twice >= divisor) result += value < 0 ? -1 : 1;
    }
    if (result > std::numeric_limits<int64_t>::max() || result < std::numeric_limits<int64_t>::min())
        return std::nullopt;
    return static_cast<int64_t>(result);
}

EIBError ConversionError(const UnicodeString& field, const char* target) {
    return EIBError(fmt::format("La valeur du champ {} ne peut être lue comme {}", field, target), 0, {}, "");
}

// A scaled integer's exact decimal text, trailing zeros of the decimals dropped.
UnicodeString ScaledText(int64_t value, int scale) {
    if (scale >= 0) return fmt::format("{}", value * kPow10[scale]);
    int decimals = -scale;
    uint64_t magnitude = value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
    UnicodeString text = fmt::format("{}{}.{:0{}}", value < 0 ? "-" : "", magnitude / kPow10[decimals],
                                     magnitude % kPow10[decimals], decimals);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Fields

const IBValue TDataSet::kNull{};

const IBValue& TField::Value() const {
    return **value_;
}

bool TField::IsNull() const {
    return Value().kind == IBValue::Kind::Null;
}

int64_t TField::AsInt64() const {
    const IBValue& v = Value();
    switch (v.kind) {
        case IBValue::Kind::Null:
            return 0;
        case IBValue::Kind::Integer:
        case IBValue::Kind::Boolean:
            if (auto whole = Rescaled(v.integer, v.scale)) return *whole;
            throw ConversionError(FieldName(), "un entier");
        case IBValue::Kind::Double:
            if (!(std::fabs(v.real) < 9.2e18)) throw ConversionError(FieldName(), "un entier");
            return static_cast<int64_t>(std::llround(v.real));
        case IBValue::Kind::Text:
            try {
                size_t used = 0;
                long long parsed = std::stoll(v.text, &used);
                if (used == v.text.size()) return parsed;
            } catch (const std::exception&) {
            }
            throw ConversionError(FieldName(), "un entier");
        default:
            return static_cast<int64_t>(std::floor(v.real));
    }
}

int TField::AsInteger() const {
    const int64_t value = AsInt64();
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        throw ConversionError(FieldName(), "un entier de 32 bits");
    return static_cast<int>(value);
}

double TField::AsFloat() const {
    const IBValue& v = Value();
    switch (v.kind) {
        case IBValue::Kind::Null:
            return 0;
        case IBValue::Kind::Integer:
        case IBValue::Kind::Boolean:
            return v.scale >= 0 ? double(v.integer * kPow10[v.scale])
                                : double(v.integer) / double(kPow10[-v.scale]);
        case IBValue::Kind::Text: {
            // Read the same whatever the process's locale.
            double parsed = 0;
            const char* end = v.text.data() + v.text.size();
            auto [stop, error] = std::from_chars(v.text.data(), end, parsed);
            if (!v.text.empty() && error == std::errc() && stop == end) return parsed;
            throw ConversionError(FieldName(), "un nombre");
        }
        default:
            return v.real;
    }
}

CCurrency TField::AsCurrency() const {
    const IBValue& v = Value();
    switch (v.kind) {
        case IBValue::Kind::Null:
            return CCurrency();
        case IBValue::Kind::Integer:
        case IBValue::Kind::Boolean: {
            // count of ten-thousandths = integer * 10^(scale + 4), exactly, rounded once
            if (auto count = Rescaled(v.integer, v.scale + 4)) return CCurrency::FromCount(*count);
            throw ECurrencyError(
                fmt::format("La valeur du champ {} dépasse la capacité d'un montant", FieldName()));
        }
        case IBValue::Kind::Text:
            return CCurrency::Parse(v.text);
        default:
            return CCurrency(v.real);
    }
}

UnicodeString TField::AsString() const {
    const IBValue& v = Value();
    switch (v.kind) {
        case IBValue::Kind::Null:
            return "";
        case IBValue::Kind::Text:
            return v.text;
        case IBValue::Kind::Integer:
            return ScaledText(v.integer, v.scale);
        case IBValue::Kind::Boolean:
            return v.integer ? "1" : "0";
        case IBValue::Kind::Double:
            return fmt::format("{}", v.real);
        case IBValue::Kind::Date:
            return FormatISODate(v.real);
        case IBValue::Kind::Timestamp:
            return FormatISODateTime(v.real);
        case IBValue::Kind::Time: {
            int h, n, s;
            DecodeTime(v.real, h, n, s);
            return fmt::format("{:02}:{:02}:{:02}", h, n, s);
        }
    }
    return "";
}

TDateTime TField::AsDateTime() const {
    const IBValue& v = Value();
    switch (v.kind) {
        case IBValue::Kind::Null:
            return TDateTime();
        case IBValue::Kind::Date:
        case IBValue::Kind::Time:
        case IBValue::Kind::Timestamp:
        case IBValue::Kind::Double:
            return TDateTime(v.real);
        case IBValue::Kind::Text:
            return ParseISODate(v.text.substr(0, 10));
        default:
            throw ConversionError(FieldName(), "une date");
    }
}

bool TField::AsBoolean() const {
    const IBValue& v = Value();
    switch (v.kind) {
        case IBValue::Kind::Null:
            return false;
        case IBValue::Kind::Integer:
        case IBValue::Kind::Boolean:
            return v.integer != 0;
        case IBValue::Kind::Double:
            return v.real != 0;
        case IBValue::Kind::Text: {
            UnicodeString upper = Upper(v.text);
            if (upper == "TRUE" || upper == "T" || upper == "1") return true;
            if (upper == "FALSE" || upper == "F" || upper == "0" || upper.empty()) return false;
            throw ConversionError(FieldName(), "un booléen");
        }
        default:
            throw ConversionError(FieldName(), "un booléen");
    }
}

// ---------------------------------------------------------------------------------------------
// Datasets

TDataSet::~TDataSet() = default;

void TDataSet::BindColumns(const IBColumns& columns) {
    columns_ = columns;
    fields_.clear();
    nextField_ = 0;
    const size_t count = columns_ ? columns_->size() : 0;
    current_.assign(count, &kNull);
    fields_.reserve(count);  // the fields' addresses stay fixed once bound
    for (size_t i = 0; i < count; ++i) fields_.emplace_back(&(*columns_)[i], &current_[i]);
}

void TDataSet::UnbindColumns() {
    fields_.clear();
    columns_.reset();
    current_.clear();
}

void TDataSet::SetCurrentRow(const std::vector<IBValue>* row) {
    for (size_t i = 0; i < current_.size(); ++i) current_[i] = row && i < row->size() ? &(*row)[i] : &kNull;
}

namespace {
// Whether a name equals an upper-case column name, ignoring the name's case.
bool SameName(const UnicodeString& upperName, const UnicodeString& name) {
    if (upperName.size() != name.size()) return false;
    if (upperName == name) return true;  // the engine names its columns in upper case
    for (size_t i = 0; i < name.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != static_cast<unsigned char>(upperName[i]))
            return false;
    return true;
}
}  // namespace

// Objects read their fields in the order of their statement's columns: the search starts after the
// field found last, so that reading a row field by field compares one name per field, not half of
// them (a component has some fifty columns).
TField* TDataSet::FindField(const UnicodeString& name) {
    const size_t count = fields_.size();
    for (size_t step = 0, i = nextField_ < count ? nextField_ : 0; step < count;
         ++step, i = i + 1 < count ? i + 1 : 0)
        if (SameName((*columns_)[i].upperName, name)) {
            nextField_ = i + 1;
            return &fields_[i];
        }
    return nullptr;
}

TField* TDataSet::FieldByName(const UnicodeString& name) {
    if (TField* field = FindField(name)) return field;
    throw EIBError(fmt::format("Champ {} introuvable", name), 0, {}, "");
}

TField* TDataSet::Fields(int index) {
    if (index < 0 || index >= FieldCount())
        throw EIBError(fmt::format("Champ n°{} introuvable", index), 0, {}, "");
    return &fields_[index];
}

// ---------------------------------------------------------------------------------------------
// TIBQuery

TIBQuery::TIBQuery(TIBDatabase* database, TIBTransaction* transaction)
    : Database(database), Transaction(transaction) {}

TIBQuery::~TIBQuery() {
    Close();
}

void TIBQuery::Open() {
    Close();
    if (!Database) throw EIBError("Requête sans base de données", 0, {}, SQL.Text());
    TIBTransaction& transaction = Transaction ? *Transaction : Database->DefaultTransaction();
    cursor_ = std::make_unique<Cursor>(*Database, transaction, SQL.Text());
    BindColumns(cursor_->Columns());
    opened_ = true;
    FetchOne();
    index_ = 0;
    ShowRow();
}

void TIBQuery::ExecSQL() {
    Close();
    if (!Database) throw EIBError("Requête sans base de données", 0, {}, SQL.Text());
    Database->ExecuteImmediate(SQL.Text(), Transaction);
}

void TIBQuery::Close() {
    cursor_.reset();
    rows_.clear();
    row_.clear();
    index_ = 0;
    fetched_ = 0;
    atEnd_ = false;
    opened_ = false;
    UnbindColumns();
}

// Fetches one more row: appended to the buffer (bidirectional) or made current (unidirectional).
void TIBQuery::FetchOne() {
    if (!cursor_) return;
    std::vector<IBValue> row;
    if (!cursor_->Fetch(row)) {
        cursor_.reset();
        return;
    }
    ++fetched_;
    if (Unidirectional)
        row_ = std::move(row);
    else
        rows_.push_back(std::move(row));
}

void TIBQuery::FetchAll() {
    while (cursor_) FetchOne();
}

void TIBQuery::ShowRow() {
    if (Unidirectional) {
        atEnd_ = fetched_ == 0 || index_ >= static_cast<size_t>(fetched_);
        SetCurrentRow(atEnd_ ? nullptr : &row_);
    } else {
        atEnd_ = index_ >= rows_.size();
        SetCurrentRow(atEnd_ ? nullptr : &rows_[index_]);
    }
}

void TIBQuery::First() {
    if (!opened_) return Open();
    if (Unidirectional && index_ > 0) return Open();  // a forward-only query runs again
    index_ = 0;
    ShowRow();
}

void TIBQuery::Next() {
    if (!opened_ || atEnd_) return;
    ++index_;
    if (Unidirectional || index_ >= rows_.size()) FetchOne();
    ShowRow();
}

void TIBQuery::Last() {
    if (!opened_) Open();
    if (Unidirectional) {
        while (!atEnd_) {
            std::vector<IBValue> previous = row_;
            Next();
            if (atEnd_) {
                row_ = std::move(previous);
                --index_;
                ShowRow();
                break;
            }
        }
        return;
    }
    FetchAll();
    index_ = rows_.empty() ? 0 : rows_.size() - 1;
    ShowRow();
}

int TIBQuery::RecordCount() {
    if (!opened_) return 0;
    if (!Unidirectional) FetchAll();
    return fetched_;
}

// ---------------------------------------------------------------------------------------------
// TIBSQL

TIBSQL::TIBSQL(TIBDatabase* database, TIBTransaction* transaction)
    : Database(database), Transaction(transaction) {}

TIBSQL::~TIBSQL() {
    Close();
}

void TIBSQL::ExecQuery() {
    Close();
    if (!Database) throw EIBError("Instruction sans base de données", 0, {}, SQL.Text());
    TIBTransaction& transaction = Transaction ? *Transaction : Database->DefaultTransaction();
    cursor_ = std::make_unique<Cursor>(*Database, transaction, SQL.Text());
    BindColumns(cursor_->Columns());
    if (!cursor_->HasResultSet()) {  // a statement without rows
        cursor_.reset();
        atEnd_ = true;
        return;
    }
    atEnd_ = false;
    Next();
}

void TIBSQL::Close() {
    cursor_.reset();
    row_.clear();
    fetched_ = 0;
    atEnd_ = true;
    UnbindColumns();
}

void TIBSQL::First() {
    if (fetched_ > 1 || !cursor_ || atEnd_) ExecQuery();  // runs again unless on the first row
}

void TIBSQL::Next() {
    if (!cursor_) {
        atEnd_ = true;
        SetCurrentRow(nullptr);
        return;
    }
    if (cursor_->Fetch(row_)) {
        ++fetched_;
        SetCurrentRow(&row_);
    } else {
        atEnd_ = true;
        SetCurrentRow(nullptr);
    }
}

void TIBSQL::Last() {
    std::vector<IBValue> last;
    while (!atEnd_) {
        last = row_;
        Next();
    }
    if (fetched_ > 0) {
        row_ = std::move(last);
        atEnd_ = false;
        SetCurrentRow(&row_);
    }
}
