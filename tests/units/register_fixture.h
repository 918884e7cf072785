// A fresh case file with the register's tables, for the register's suites. The suites that are
// parameterised run once in the case file's database ("") and once in a named database
// ("OKT_DOSSIER"), where nothing cascades and every deletion is done by hand.
#pragma once

#include <memory>
#include <string>

#include "tests/support/case_fixture.h"
#include "units/uvkbien.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvklistes.h"
#include "units/uvktables.h"

namespace vktest {

class RegisterCase {
public:
    explicit RegisterCase(const std::string& base = "") : base_(base) {
        if (!VK_CreerTables("")) throw std::runtime_error("case-file tables not created");
        if (!base_.empty() && !VK_CreerTables(base_)) throw std::runtime_error("named tables not created");
    }
    CaseFile& File() { return file_; }
    const std::string& Base() const { return base_; }
    std::string Table(const char* code) const { return GetNomTableBase(code, base_); }
    int Count(const char* code, const std::string& where = "") {
        return file_.Count(Table(code), where, base_);
    }
    std::string Scalar(const std::string& sql) { return file_.Scalar(sql, base_); }
    // A stored asset in the given state, with its structure component.
    std::unique_ptr<cVK_Bien> NewAsset(VK_Etats state = veInitialisation,
                                       const char* designation = "Presse") {
        auto asset = std::make_unique<cVK_Bien>(state, base_, nullptr, nullptr);
        asset->SetDesignation(designation);
        return asset;
    }

private:
    CaseFile file_;
    std::string base_;
};

inline std::string KindName(const ::testing::TestParamInfo<const char*>& info) {
    return *info.param ? "Named" : "CaseFile";
}

}  // namespace vktest
