// The command line as a French user meets it: help and errors in French, dates in either form, and
// the bounds of the next fiscal year asked of close-year.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/host_test.h"

namespace {

// One fiscal year recorded, 2026, current: the next one is not recorded yet and its end may be asked.
class FrenchCommandLine : public vktest::HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        if (IsSkipped()) return;
        const vktest::Outcome init = Host("init " + Quoted(dossier()) + " --first-year 01/01/2026 --years 1");
        ASSERT_EQ(init.status, 0) << init.err;
    }
    // vkhost with `arguments`, "DIR" standing for the case file.
    vktest::Outcome On(std::string arguments) {
        const size_t at = arguments.find("DIR");
        if (at != std::string::npos) arguments.replace(at, 3, Quoted(dossier()));
        return Host(arguments);
    }
};

TEST_F(FrenchCommandLine, HelpAndErrorsAreFrench) {
    struct Case {
        const char* arguments;
        int status;
        const char* fragment;  // in standard output for a help, in standard error otherwise
    } cases[] = {
        {"--help", 0, "Utilisation : "},
        {"list --help", 0, "liste le registre des biens"},
        {"close-year --help", 0, "--next-end"},
        {"schedule --help", 0, "--csv"},
        {"list", 2, "DIR : argument obligatoire manquant"},
        {"schedule DIR", 2, "REF : argument obligatoire manquant"},
        {"list DIR --bogus", 2, "argument inattendu : --bogus"},
        {"compare DIR 9", 2, "TYPE : la valeur 9 n'est pas entre 0 et 5"},
        {"bogus", 2, "commande inconnue « bogus »"},
        {"statement DIR 9999", 2, "FORM : la valeur 9999 n'est pas l'une de"},
        {"list DIR --at 31/02/2026", 2, "--at : date invalide « 31/02/2026 » (JJ/MM/AAAA ou AAAA-MM-JJ)"},
        {"schedule DIR NONE", 2, "REF: aucun bien de référence \"NONE\""},
    };
    for (const Case& c : cases) {
        const vktest::Outcome outcome = On(c.arguments);
        const std::string& shown = c.status == 0 ? outcome.out : outcome.err;
        EXPECT_EQ(outcome.status, c.status) << c.arguments << "\n" << outcome.err;
        EXPECT_NE(shown.find(c.fragment), std::string::npos) << c.arguments << "\n" << shown;
        for (const char* english : {"Print this help", "Usage:", "required", "Run with"})
            EXPECT_EQ((outcome.out + outcome.err).find(english), std::string::npos)
                << c.arguments << ": " << english;
    }
}

// The next year starts 01/01/2027: it may last up to 24 months (to 31/12/2028), not 25, and cannot
// end on or before the current year's end. A refusal names --next-end and changes nothing.
TEST_F(FrenchCommandLine, NextEndIsBoundedToTwentyFourMonths) {
    struct Case {
        const char* nextEnd;
        int status;
        const char* fragment;
    } cases[] = {
        {"30/11/2028", 0, "Exercice suivant : du 01/01/2027 au 30/11/2028."},  // 23 months
        {"2028-12-31", 0, "Exercice suivant : du 01/01/2027 au 31/12/2028."},  // 24 months
        {"31/01/2029", 2,
         "--next-end : l'exercice suivant commence le 01/01/2027 et doit finir au plus "
         "tard le 31/12/2028 (24 mois), pas le 31/01/2029"},                          // 25 months
        {"31/12/2026", 2, "--next-end : l'exercice suivant commence le 01/01/2027"},  // the current end
        {"31/13/2027", 2, "--next-end : date invalide"},
    };
    const std::string before = Dump(dossier());
    for (const Case& c : cases) {
        const vktest::Outcome dry = On(std::string("close-year DIR --dry-run --next-end ") + c.nextEnd);
        EXPECT_EQ(dry.status, c.status) << c.nextEnd << "\n" << dry.err;
        EXPECT_NE((c.status == 0 ? dry.out : dry.err).find(c.fragment), std::string::npos)
            << c.nextEnd << "\n"
            << dry.out << dry.err;
        if (c.status == 0) continue;
        const vktest::Outcome closing = On(std::string("close-year DIR --yes --next-end ") + c.nextEnd);
        EXPECT_EQ(closing.status, 2) << c.nextEnd << "\n" << closing.err;
    }
    EXPECT_EQ(Dump(dossier()), before) << "neither a dry run nor a refusal changes the case file";
}

}  // namespace
