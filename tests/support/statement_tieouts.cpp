#include "tests/support/statement_tieouts.h"

#include <fmt/format.h>

#include "platform/currency.h"

namespace vktest {

namespace {

using nlohmann::json;

CCurrency Amount(const json& row, const std::string& key) {
    const json& value = row.at(key);
    return value.is_null() ? CCurrency(0) : CCurrency::Parse(value.dump());
}

class Checker {
public:
    explicit Checker(const json& statements) : statements_(statements) {}

    void Equal(const std::string& what, const CCurrency& left, const CCurrency& right) {
        if (left != right)
            failures.push_back(fmt::format("{}: {} against {}, difference {}", what, left.ToString(),
                                           right.ToString(), (left - right).ToString()));
    }
    // Every row of a frame and its total: opening + increases - decreases = closing.
    void RowsBalance(const json& frame, const std::vector<std::string>& increases,
                     const std::vector<std::string>& decreases) {
        std::vector<json> rows(frame.at("rows").begin(), frame.at("rows").end());
        rows.push_back(frame.at("total"));
        for (const json& row : rows) {
            CCurrency computed = Amount(row, "opening");
            for (const std::string& key : increases) computed += Amount(row, key);
            for (const std::string& key : decreases) computed -= Amount(row, key);
            Equal(fmt::format("{} « {} »: opening + increases - decreases, closing", Name(frame),
                              row.at("label").get<std::string>()),
                  computed, Amount(row, "closing"));
        }
    }
    const json* Form(const std::string& form) const {
        return statements_.contains(form) ? &statements_.at(form) : nullptr;
    }
    static std::string Name(const json& frame) {
        const std::string form = frame.at("form");
        return frame.contains("frame") && !frame.at("frame").get<std::string>().empty()
                   ? form + " " + frame.at("frame").get<std::string>()
                   : form;
    }

    std::vector<std::string> failures;

private:
    const json& statements_;
};

// The register's components still held at the year's end: no disposal, or one after the year.
CCurrency HeldTotal(const json& reg, const std::string& key) {
    const std::string end = reg.at("year").at("end");
    CCurrency sum(0);
    for (const json& row : reg.at("rows")) {
        if (row.value("subtotal", false)) continue;
        const json& disposed = row.at("disposal_date");
        if (disposed.is_null() || disposed.get<std::string>() > end) sum += Amount(row, key);
    }
    return sum;
}

CCurrency ChargesOn(const json& charges, const std::string& prefix, const std::string& key) {
    CCurrency sum(0);
    for (const json& row : charges.at("rows"))
        if (row.at("account").get<std::string>().rfind(prefix, 0) == 0) sum += Amount(row, key);
    return sum;
}

void CheckDisposals(Checker& c, const json& list) {
    CCurrency gain(0);
    for (const json& line : list.at("lines")) {
        const std::string what =
            fmt::format("{} « {} »", Checker::Name(list), line.at("label").get<std::string>());
        c.Equal(what + ": original value - depreciation, residual",
                Amount(line, "original_value") - Amount(line, "depreciation"), Amount(line, "residual"));
        c.Equal(what + ": price - residual, gain", Amount(line, "price") - Amount(line, "residual"),
                Amount(line, "gain"));
        c.Equal(what + ": short + long term, gain", Amount(line, "short_term") + Amount(line, "long_term"),
                Amount(line, "gain"));
        gain += Amount(line, "gain");
    }
    c.Equal(Checker::Name(list) + ": sum of the gains, total", gain, Amount(list.at("total"), "gain"));
}

void CheckNormalRegime(Checker& c) {
    const json* f2054 = c.Form("2054");
    const json* f2055 = c.Form("2055");
    const json* reg = c.Form("register");
    const json* charges = c.Form("charges");
    const json* f2059a = c.Form("2059a");
    if (f2054)
        c.RowsBalance(*f2054, {"increase_revaluation", "increase_acquisitions"},
                      {"decrease_transfers", "decrease_disposals"});
    if (f2055) c.RowsBalance(f2055->at(0), {"allocations"}, {"decreases"});
    if (f2054 && reg)
        c.Equal("2054 closing total, gross value of the register's components held",
                Amount(f2054->at("total"), "closing"), HeldTotal(*reg, "gross"));
    if (f2055 && reg) {
        const json& a = f2055->at(0).at("total");
        c.Equal("2055 A allocations, the register's charges", Amount(a, "allocations"),
                Amount(reg->at("total"), "charge"));
        c.Equal("2055 A closing, the register's depreciation of the components held", Amount(a, "closing"),
                HeldTotal(*reg, "closing_depreciation"));
    }
    if (f2055 && charges)
        c.Equal("2055 A allocations, charges on 6811", Amount(f2055->at(0).at("total"), "allocations"),
                ChargesOn(*charges, "6811", "allocations"));
    if (f2059a) CheckDisposals(c, *f2059a);
    // 2059-A does not tie to 2054 and 2055 A: its original value carries the VAT to reverse (it adds
    // to the cost of the gain) and its depreciation is the tax one, derogatory depreciation included.
}

void CheckSimplifiedRegime(Checker& c) {
    const json* f2033c = c.Form("2033c");
    const json* f2033d = c.Form("2033d");
    const json* f2054 = c.Form("2054");
    const json* f2055 = c.Form("2055");
    const json* f2059a = c.Form("2059a");
    const json* charges = c.Form("charges");
    if (f2033c) {
        c.RowsBalance(f2033c->at(0), {"increases"}, {"decreases"});
        c.RowsBalance(f2033c->at(1), {"allocations"}, {"decreases"});
        CheckDisposals(c, f2033c->at(2));
    }
    if (f2033c && f2054)
        c.Equal("2033-C gross closing, 2054", Amount(f2033c->at(0).at("total"), "closing"),
                Amount(f2054->at("total"), "closing"));
    if (f2033c && f2055)
        c.Equal("2033-C depreciation closing, 2055 A", Amount(f2033c->at(1).at("total"), "closing"),
                Amount(f2055->at(0).at("total"), "closing"));
    if (f2033c && f2059a)
        c.Equal("2033-C gains, 2059-A", Amount(f2033c->at(2).at("total"), "gain"),
                Amount(f2059a->at("total"), "gain"));
    if (f2033d) c.RowsBalance(*f2033d, {"increases"}, {"decreases"});
    if (f2033d && f2055) {
        const json& d = f2033d->at("total");
        c.Equal("2055 B derogatory net movement, 2033-D closing - opening",
                Amount(f2055->at(1).at("total"), "derog_net"), Amount(d, "closing") - Amount(d, "opening"));
    }
    if (f2033d && charges) {
        const json& d = f2033d->at("total");
        c.Equal("2033-D increases, charges on 6872", Amount(d, "increases"),
                ChargesOn(*charges, "6872", "allocations"));
        c.Equal("2033-D decreases, reversals on 7872", Amount(d, "decreases"),
                ChargesOn(*charges, "7872", "reversals"));
    }
}

}  // namespace

std::vector<std::string> StatementTieOutFailures(const nlohmann::json& statements) {
    Checker checker(statements);
    CheckNormalRegime(checker);
    CheckSimplifiedRegime(checker);
    return checker.failures;
}

}  // namespace vktest
