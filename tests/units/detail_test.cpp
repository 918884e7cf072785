// Acquisition details: the component's totals stay the exact sum of its lines through every change
// (D21), amounts in francs convert at the legal rate, and what the user may change.
//
// Expected conversions use the fixed rate 1 EUR = 6.55957 FRF (EU Council Regulation 2866/98),
// each converted amount rounded to the ten-thousandth.
#include <fmt/format.h>

#include "tests/units/register_fixture.h"
#include "units/uvkdetailcomposant.h"

namespace {

const CDevise kFranc(kCodeFranc, kTauxFranc);
const CDevise kFrancSansTaux(kCodeFranc, -1.0);  // the code's own fixed rate applies
const CDevise kDefaut(0, -1.0);

CCurrency A(const char* text) {
    return CCurrency::Parse(text);
}

class Details : public ::testing::Test {
protected:
    vktest::RegisterCase reg;
    std::unique_ptr<cVK_Bien> asset = reg.NewAsset();
    cVK_Composant* c = asset->GetStructure();
    cVK_LstDetailComposant* lines = c->GetDetails();

    // The component's exact totals must equal the sums of the lines' converted amounts.
    void ExpectTotals(const char* step, const char* price, const char* costs, const char* vat) {
        CCurrency p, f, t;
        for (int i = 0; i < lines->Count(); ++i) {
            p += lines->Get(i)->GetPrixAcquis();
            f += lines->Get(i)->GetFraisAcquis();
            t += lines->Get(i)->GetTVARecuperee();
        }
        EXPECT_EQ(c->PrixAcquis, A(price)) << step << ": price total " << c->PrixAcquis.ToString();
        EXPECT_EQ(c->FraisAcquis, A(costs)) << step << ": costs total " << c->FraisAcquis.ToString();
        EXPECT_EQ(c->TVARecuperee, A(vat)) << step << ": VAT total " << c->TVARecuperee.ToString();
        EXPECT_EQ(c->PrixAcquis, p) << step << ": not the sum of the lines";
        EXPECT_EQ(c->FraisAcquis, f) << step;
        EXPECT_EQ(c->TVARecuperee, t) << step;
    }
};

TEST_F(Details, FrancAmountsConvertAndTheTotalsStayRightThroughEveryChange) {
    ASSERT_NE(lines, nullptr);
    cVK_DetailComposant* l1 = lines->AddNew();
    EXPECT_NE(l1->ID, 0u) << "a line of a stored component is stored at once";
    l1->SetPrixAcquisOrigine(CCurrency(1000));
    ExpectTotals("first line", "1000", "0", "0");
    l1->SetPrixAcquisOrigine(CCurrency(1500));
    ExpectTotals("price 1000 -> 1500", "1500", "0", "0");
    EXPECT_EQ(c->GetPrixHT(), CCurrency(1500));

    cVK_DetailComposant* l2 = lines->AddNew();
    l2->SetDevisePrixAcquisOrigine(kFranc);
    l2->SetPrixAcquisOrigine(A("6559.57"));  // 1000.0000 EUR
    l2->SetDeviseFraisAcquisOrigine(kFranc);
    l2->SetFraisAcquisOrigine(CCurrency(1000));  // 152.4490 EUR (152.449017...)
    l2->SetDeviseOrigineTva(vdtFranc);
    l2->SetTVARecupereeOrigine(A("1311.914"));  // 200.0000 EUR
    ExpectTotals("line in francs", "2500", "152.449", "200");
    EXPECT_EQ(l2->GetPrixHTOrigine(), A("7559.57")) << "unconverted, in the currency of origin";

    l2->SetDevisePrixAcquisOrigine(kDefaut);  // the price was in euros after all
    ExpectTotals("price currency -> default", "8059.57", "152.449", "200");
    l2->SetDevisePrixAcquisOrigine(kFrancSansTaux);
    ExpectTotals("price currency -> franc at its fixed rate", "2500", "152.449", "200");
    l2->SetDeviseOrigineTva(vdtEuro);
    ExpectTotals("VAT in euros", "2500", "152.449", "1311.914");

    // D21: a negative line counts as it is; the floor applies only when the total is used, so the
    // order of the lines never matters.
    cVK_DetailComposant* credit = lines->AddNew();
    credit->SetPrixAcquisOrigine(CCurrency(-3000));
    ExpectTotals("credit note", "-500", "152.449", "1311.914");
    EXPECT_EQ(c->GetPrixAcquis(), CCurrency(0));
    EXPECT_EQ(c->GetPrixHT(), A("152.449"));
    lines->AddNew()->SetPrixAcquisOrigine(CCurrency(1000));
    ExpectTotals("after the credit note", "500", "152.449", "1311.914");

    credit->BD_Supprimer(false);  // takes it out of the list and corrects the totals
    delete credit;
    ExpectTotals("credit note removed", "3500", "152.449", "1311.914");

    ASSERT_TRUE(asset->BD_MAJ());
    cVK_Bien reloaded(asset->ID, "", nullptr, nullptr);
    const cVK_Composant* r = reloaded.GetStructure();
    EXPECT_EQ(r->PrixAcquis, A("3500")) << "rebuilt from the stored lines";
    EXPECT_EQ(r->FraisAcquis, A("152.449"));
    EXPECT_EQ(r->TVARecuperee, A("1311.914"));
    ASSERT_EQ(r->GetDetails()->Count(), 3);
    const cVK_DetailComposant* stored = r->GetDetails()->Get(1);
    EXPECT_EQ(stored->DevisePrix.Code, kCodeFranc);
    EXPECT_EQ(stored->DeviseFrais, kFranc);
    EXPECT_EQ(stored->PRIX_ACQUIS, A("6559.57"));

    while (lines->Count() > 0) {
        cVK_DetailComposant* line = lines->Get(0);
        lines->Delete(line);
        delete line;
    }
    EXPECT_TRUE(c->PrixAcquis.IsNull()) << "the last line removed empties the totals";
    EXPECT_EQ(c->GetPrixHT(), CCurrency(0));
    ASSERT_TRUE(asset->BD_MAJ());
    EXPECT_EQ(reg.Count("VKL", fmt::format("ID_COMPO={}", c->ID)), 0) << "an emptied list deletes every line";
}

TEST_F(Details, CopyingAComponentCopiesItsLinesAndTheirTotals) {
    cVK_DetailComposant* line = lines->AddNew();
    line->SetDevisePrixAcquisOrigine(kFranc);
    line->SetPrixAcquisOrigine(A("6559.57"));
    line->SetFournisseur("Garage du Centre");
    lines->AddNew()->SetFraisAcquisOrigine(CCurrency(40));
    ASSERT_TRUE(asset->BD_MAJ());
    auto other = reg.NewAsset();
    cVK_Composant* copy = other->GetStructure();
    copy->Assign(c, true);
    EXPECT_EQ(copy->GetDetails()->Count(), 2);
    EXPECT_EQ(copy->PrixAcquis, CCurrency(1000));
    EXPECT_EQ(copy->FraisAcquis, CCurrency(40));
    EXPECT_EQ(copy->GetDetails()->Get(0)->GetFournisseur(), "Garage du Centre");
    ASSERT_TRUE(other->BD_MAJ());
    EXPECT_EQ(reg.Count("VKL", fmt::format("ID_COMPO={}", copy->ID)), 2);
    EXPECT_EQ(reg.Count("VKL", fmt::format("ID_COMPO={}", c->ID)), 2) << "the source keeps its own";
}

// What a line may change depends on the asset's state S and complement C.
TEST(DetailRules, ModifiabilityAndCreationYear) {
    vktest::RegisterCase reg;  // current year 2026
    struct Case {
        VK_Etats s;
        VK_EtatsCplmt c;
        TDateTime entry;
        int retrospective;  // the case file's MiseAuxNormes_MethodeRetrospective, -1 unset
        const char* designation;
        int year;  // EXOCREATION of a new line (VK_IntNull: first acquisition)
        bool modifiable, designationModifiable;
    };
    const TDateTime before = EncodeDate(2025, 6, 1), during = EncodeDate(2026, 2, 1);
    const Case cases[] = {
        {veInitialisation, vcEnCours, before, -1, "", VK_IntNull, true, true},
        {veInitialisation, vcValide, before, -1, "", VK_IntNull, false, false},
        {veImportation, vcEnCours, during, -1, "", VK_IntNull, true, true},
        {veModification, vcEnCours, before, -1, "", 0, true, true},             // added this year
        {veModification, vcEnCours, during, -1, "", VK_IntNull, false, false},  // part of the entry
        {veMiseAuxNormes, vcEnCours, before, -1, "Mise aux normes", VK_IntNull, true, false},
        {veMiseAuxNormes, vcEnCours, before, 0, "Mise aux normes", 0, true, false},
        {veMiseAuxNormes, vcValide, before, 1, "Mise aux normes", VK_IntNull, false, false},
        {veCession, vcEnCours, before, -1, "", VK_IntNull, false, false},
    };
    StaticFichierINI& ini = *reg.File().Dossier().FichierINI();
    for (const Case& k : cases) {
        if (k.retrospective == -1)
            ini.SetString("VK", "MiseAuxNormes_MethodeRetrospective", "");
        else
            ini.SetInteger("VK", "MiseAuxNormes_MethodeRetrospective", k.retrospective);
        auto asset = reg.NewAsset(k.s);
        cVK_Composant* c = asset->GetStructure();
        c->SetDateEntree(k.entry);
        cVK_DetailComposant* line = c->GetDetails()->AddNew();
        asset->EtatCplmt = k.c;
        const std::string what = fmt::format("state {} complement {} entry {} setting {}", int(k.s), int(k.c),
                                             FormatISODate(k.entry), k.retrospective);
        EXPECT_EQ(line->DESIGNATION, k.designation) << what;
        EXPECT_EQ(line->EXOCREATION, k.year) << what;
        EXPECT_EQ(line->GetModifiable(), k.modifiable) << what;
        EXPECT_EQ(line->GetDesignationModifiable(), k.designationModifiable) << what;
    }
}

TEST(DetailRules, CreationDatesAndTheOpeningPrice) {
    vktest::RegisterCase reg;
    auto asset = reg.NewAsset();
    cVK_Composant* c = asset->GetStructure();
    c->SetDateEntree(EncodeDate(2025, 3, 10));
    cVK_DetailComposant* first = c->GetDetails()->AddNew();  // the first acquisition
    first->SetPrixAcquisOrigine(CCurrency(900));
    cVK_DetailComposant* added = c->GetDetails()->AddNew();  // a cost added this year
    added->SetExoDeCreation(0);
    added->SetFraisAcquisOrigine(CCurrency(100));
    cVK_DetailComposant* conformity = c->GetDetails()->AddNew();
    conformity->SetExoDeCreation(0);
    conformity->SetDesignation("Mise aux normes");
    conformity->SetPrixAcquisOrigine(CCurrency(50));
    EXPECT_EQ(FormatISODate(first->GetDateDeCreation()), "2025-03-10") << "the component's entry";
    EXPECT_EQ(FormatISODate(added->GetDateDeCreation()), "2026-01-01") << "the start of year 0";
    added->SetExoDeCreation(-1);
    EXPECT_EQ(FormatISODate(added->GetDateDeCreation()), "2025-01-01");
    added->SetExoDeCreation(0);
    EXPECT_EQ(c->GetPrixHTOuverture(), CCurrency(950)) << "lines before the year, and standards conformity";
    EXPECT_EQ(c->GetPrixHT(), CCurrency(1050));
    vktest::Messages messages;
    messages->answers = {false};
    EXPECT_FALSE(first->BD_Supprimer(true));
    EXPECT_EQ(messages->questions.at(0), "Etes-vous sûr de vouloir supprimer cette ligne de détail ?");
    EXPECT_EQ(c->GetDetails()->Count(), 3);
    EXPECT_EQ(reg.Count("VKL", fmt::format("ID_COMPO={}", c->ID)), 3);
}

}  // namespace
