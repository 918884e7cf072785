// The disposal record: its table, its loading and saving, and the setters that invalidate the
// component's computed depreciation.
#include <fmt/format.h>

#include "platform/dossier.h"
#include "units/uvkcession.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"

#define VK_UNIT vk::kUnitComposant
#define VK_LINE_BASE 8000
#include "units/vklocation.h"

const char* const cVK_Cession::MotifsSorties[6] = {"", "C", "HS", "D", "MR", "MN"};

namespace {

UnicodeString Table() {
    return GetNomTable("VKO", false);
}

// The columns after ID_CESSION and ID_COMPO, in table order.
const char* const kColonnes[] = {"DATE_SORTIE",
                                 "MOTIF_SORTIE",
                                 "PRIXHT_SORTIE",
                                 "DEVISE_SORTIE",
                                 "TAUXCHANGE_SORTIE",
                                 "DATE_FIN_UTILISATION",
                                 "PRIX_CESSION_SAIS",
                                 "PRIX_CESSION_CALC",
                                 "TVA_DED_SAIS",
                                 "TVA_A_REVERSER_SAIS",
                                 "VAL_REEVAL_SAIS",
                                 "AMORT_CPTA_PRAT_SAIS",
                                 "AMORT_DEROG_PRAT_SAIS",
                                 "AUTRES_AMORT_SAIS",
                                 "PVCT_SAIS",
                                 "PVLT_EXCLUES_SAIS",
                                 "MVCT_SAIS",
                                 "MVLT_EXCLUES_SAIS",
                                 "TERRAIN_A_BATIR",
                                 "TVA_DOIT_ETRE_REVERSEE",
                                 "DATE_ECR",
                                 "TAUX_IMPOSITION",
                                 "PV_TAXABLE_TAUX_REDUIT",
                                 "TAUX_IMPOSITION_PV_TAUX_REDUIT",
                                 "OPT_REGIME_PROP_INDUS",
                                 "DATE_OPT_REGIME_PROP_INDUS"};
constexpr int kNombreColonnes = sizeof(kColonnes) / sizeof(kColonnes[0]);

}  // namespace

void cVK_Cession::CreerBase() {
    const UnicodeString sql =
        "CREATE TABLE " + Table() + "(ID_CESSION AUTOINC NOT NULL,ID_COMPO INTEGER REFERENCES " +
        GetNomTable("VKC", false) +
        " ON DELETE CASCADE,DATE_SORTIE DATE,MOTIF_SORTIE SMALLINT,PRIXHT_SORTIE DECIMAL(18,4),DEVISE_SORTIE "
        "INTEGER,"
        "TAUXCHANGE_SORTIE DECIMAL(18,15),DATE_FIN_UTILISATION DATE,PRIX_CESSION_SAIS "
        "DECIMAL(18,4),PRIX_CESSION_CALC "
        "DECIMAL(18,4),TVA_DED_SAIS DECIMAL(18,4),TVA_A_REVERSER_SAIS DECIMAL(18,4),VAL_REEVAL_SAIS "
        "DECIMAL(18,4),"
        "AMORT_CPTA_PRAT_SAIS DECIMAL(18,4),AMORT_DEROG_PRAT_SAIS DECIMAL(18,4),AUTRES_AMORT_SAIS "
        "DECIMAL(18,4),"
        "PVCT_SAIS DECIMAL(18,4),PVLT_EXCLUES_SAIS DECIMAL(18,4),MVCT_SAIS DECIMAL(18,4),MVLT_EXCLUES_SAIS "
        "DECIMAL(18,4),TERRAIN_A_BATIR BOOLEAN,TVA_DOIT_ETRE_REVERSEE BOOLEAN,DATE_ECR DATE,TAUX_IMPOSITION "
        "DECIMAL(18,4),PV_TAXABLE_TAUX_REDUIT BOOLEAN,TAUX_IMPOSITION_PV_TAUX_REDUIT DECIMAL(18,4),"
        "OPT_REGIME_PROP_INDUS BOOLEAN,DATE_OPT_REGIME_PROP_INDUS DATE,PRIMARY KEY(ID_CESSION))";
    if (VK_CreateTable(VK_LOC(), "VKO", sql, "")) {
        try {
            pCurDossier->CreeAutoIncFirebird(Table(), "ID_CESSION", true);
        } catch (const std::exception& e) {
            vk::Display(VK_LOC(), e);
        }
    }
}

cVK_Cession::cVK_Cession(cVK_Composant* component, TDataSet* row, unsigned id)
    : cVK_Base(id), composant_(component) {
    try {
        if (id != 0) {
            std::unique_ptr<TIBQuery> own;
            if (!row) {
                UnicodeString columns = "ID_CESSION,ID_COMPO";
                for (const char* column : kColonnes) columns += UnicodeString(",") + column;
                own = VK_InitDataset(
                    VK_LOC(),
                    "SELECT " + columns + " FROM " + Table() + " WHERE ID_CESSION=" + VK_Format_ID(id), true,
                    "");
                if (!own) return;
                own->Open();
                row = own.get();
            }
            if (!row->Eof()) Lit(row);
            return;
        }
        // A new record: the long-term rate of the period, nothing else entered yet.
        TAUX_IMPOSITION = CCurrency(0.15);
        if (pCurDossier->RegimeFiscal == 2 && composant_ && composant_->IsImmoFinanciere()) {
            const TDateTime start = pCurDossier->DateDebutExercice;
            if (start >= EncodeDate(2007, 1, 1))
                TAUX_IMPOSITION = CCurrency(0);
            else if (start >= EncodeDate(2006, 1, 1))
                TAUX_IMPOSITION = CCurrency(0.08);
        }
        BD_Inserer();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

void cVK_Cession::Lit(TDataSet* row) {
    auto amount = [&](const char* column) { return row->FieldByName(column)->AsCurrency(); };
    auto date = [&](const char* column) { return row->FieldByName(column)->AsDateTime(); };
    auto flag = [&](const char* column) { return row->FieldByName(column)->AsBoolean(); };
    DATE_SORTIE = date("DATE_SORTIE");
    MOTIF_SORTIE = static_cast<VK_MotifSortie>(row->FieldByName("MOTIF_SORTIE")->AsInteger());
    PRIXHT_SORTIE = amount("PRIXHT_SORTIE");
    if (row->FieldByName("DEVISE_SORTIE")->IsNull())
        DeviseSortie = CDevise(0, -1.0);
    else
        DeviseSortie = CDevise(row->FieldByName("DEVISE_SORTIE")->AsInteger(),
                               row->FieldByName("TAUXCHANGE_SORTIE")->AsFloat());
    DATE_FIN_UTILISATION = date("DATE_FIN_UTILISATION");
    PRIX_CESSION_SAIS = amount("PRIX_CESSION_SAIS");
    PRIX_CESSION_CALC = amount("PRIX_CESSION_CALC");
    TVA_DED_SAIS = amount("TVA_DED_SAIS");
    TVA_A_REVERSER_SAIS = amount("TVA_A_REVERSER_SAIS");
    VAL_REEVAL_SAIS = amount("VAL_REEVAL_SAIS");
    AMORT_CPTA_PRAT_SAIS = amount("AMORT_CPTA_PRAT_SAIS");
    AMORT_DEROG_PRAT_SAIS = amount("AMORT_DEROG_PRAT_SAIS");
    AUTRES_AMORT_SAIS = amount("AUTRES_AMORT_SAIS");
    PVCT_SAIS = amount("PVCT_SAIS");
    PVLT_EXCLUES_SAIS = amount("PVLT_EXCLUES_SAIS");
    MVCT_SAIS = amount("MVCT_SAIS");
    MVLT_EXCLUES_SAIS = amount("MVLT_EXCLUES_SAIS");
    TERRAIN_A_BATIR = flag("TERRAIN_A_BATIR");
    TVA_DOIT_ETRE_REVERSEE = flag("TVA_DOIT_ETRE_REVERSEE");
    DATE_ECR = date("DATE_ECR");
    if (pCurDossier->RegimeFiscal != 1) {
        TAUX_IMPOSITION = amount("TAUX_IMPOSITION");
        TAUX_IMPOSITION_PV_TAUX_REDUIT = amount("TAUX_IMPOSITION_PV_TAUX_REDUIT");
    } else {
        TAUX_IMPOSITION = CCurrency(0.15);
    }
    PV_TAXABLE_TAUX_REDUIT = flag("PV_TAXABLE_TAUX_REDUIT");
    OPT_REGIME_PROP_INDUS = flag("OPT_REGIME_PROP_INDUS");
    DATE_OPT_REGIME_PROP_INDUS = date("DATE_OPT_REGIME_PROP_INDUS");
}

UnicodeString cVK_Cession::Valeurs(bool update) const {
    auto flag = [](bool value) { return VK_FormatBool(value, true); };
    auto date = [](const TDateTime& value) { return VK_FormatDate(value, false, true); };
    const bool currency = !(DeviseSortie.Code == 0 && DeviseSortie.Taux == -1.0);
    const UnicodeString values[kNombreColonnes] = {date(DATE_SORTIE),
                                                   fmt::format("{}", static_cast<int>(MOTIF_SORTIE)),
                                                   PRIXHT_SORTIE.GetSQL(),
                                                   currency ? VK_FormatInt(DeviseSortie.Code) : "NULL",
                                                   currency ? VK_FormatDouble(DeviseSortie.Taux) : "NULL",
                                                   date(DATE_FIN_UTILISATION),
                                                   PRIX_CESSION_SAIS.GetSQL(),
                                                   PRIX_CESSION_CALC.GetSQL(),
                                                   TVA_DED_SAIS.GetSQL(),
                                                   TVA_A_REVERSER_SAIS.GetSQL(),
                                                   VAL_REEVAL_SAIS.GetSQL(),
                                                   AMORT_CPTA_PRAT_SAIS.GetSQL(),
                                                   AMORT_DEROG_PRAT_SAIS.GetSQL(),
                                                   AUTRES_AMORT_SAIS.GetSQL(),
                                                   PVCT_SAIS.GetSQL(),
                                                   PVLT_EXCLUES_SAIS.GetSQL(),
                                                   MVCT_SAIS.GetSQL(),
                                                   MVLT_EXCLUES_SAIS.GetSQL(),
                                                   flag(TERRAIN_A_BATIR),
                                                   flag(TVA_DOIT_ETRE_REVERSEE),
                                                   date(DATE_ECR),
                                                   TAUX_IMPOSITION.GetSQL(),
                                                   flag(PV_TAXABLE_TAUX_REDUIT),
                                                   TAUX_IMPOSITION_PV_TAUX_REDUIT.GetSQL(),
                                                   flag(OPT_REGIME_PROP_INDUS),
                                                   date(DATE_OPT_REGIME_PROP_INDUS)};
    const UnicodeString idCompo = VK_Format_ID(composant_ ? composant_->ID : 0);
    if (update) {
        UnicodeString text = "ID_COMPO=" + idCompo;
        for (int i = 0; i < kNombreColonnes; ++i) text += UnicodeString(",") + kColonnes[i] + "=" + values[i];
        return text;
    }
    // In the insert the computed price comes before the entered one.
    UnicodeString columns = "ID_COMPO", list = idCompo;
    for (int i = 0; i < kNombreColonnes; ++i) {
        int index = i;
        if (i == 6) index = 7;
        if (i == 7) index = 6;
        columns += UnicodeString(",") + kColonnes[index];
        list += "," + values[index];
    }
    return columns + ")VALUES(" + list;
}

bool cVK_Cession::BD_Inserer() {
    return InsereEtRelitID(VK_LOC(), "INSERT INTO " + Table() + "(" + Valeurs(false) + ")", Table(),
                           "ID_CESSION", "");
}

bool cVK_Cession::BD_Update() {
    return VK_ExecSQL(VK_LOC(),
                      "UPDATE " + Table() + " SET " + Valeurs(true) + " WHERE ID_CESSION=" + VK_Format_ID(ID),
                      "");
}

bool cVK_Cession::BD_Supprimer(bool) {
    if (composant_ && composant_->GetCession() == this) composant_->AnnuleEcritureSortie();
    if (ID != 0 &&
        !VK_ExecSQL(VK_LOC(), "DELETE FROM " + Table() + " WHERE ID_CESSION=" + VK_Format_ID(ID), ""))
        return false;
    if (composant_ && composant_->GetCession() == this) composant_->SetCession(nullptr);  // frees this record
    return true;
}

void cVK_Cession::Assign(const cVK_Cession* source) {
    if (!source || source == this) return;
    cVK_Base::Assign(source);
    const unsigned id = ID;
    cVK_Composant* component = composant_;
    *this = *source;
    ID = id;
    composant_ = component;
}

void cVK_Cession::SetMotifSortie(VK_MotifSortie reason) {
    if (reason == MOTIF_SORTIE) return;
    MOTIF_SORTIE = reason;
    if (composant_) composant_->ClearCalculs();
    Modifie();
}

void cVK_Cession::SetDateFinUtilisation(const TDateTime& date) {
    if (double(date) == double(DATE_FIN_UTILISATION)) return;
    DATE_FIN_UTILISATION = date;
    if (composant_) composant_->ClearCalculs();
    Modifie();
}

void cVK_Cession::SetDateSortie(const TDateTime& date) {
    if (double(date) == double(DATE_SORTIE)) return;
    DATE_SORTIE = date;
    if (composant_) composant_->ClearCalculs();
    Modifie();
}

void cVK_Cession::SetDateSortieQuandEcr(const TDateTime& date) {
    if (double(date) == double(DATE_ECR)) return;
    DATE_ECR = date;
    Modifie();
}
