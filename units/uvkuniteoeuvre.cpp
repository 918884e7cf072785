#include "units/uvkuniteoeuvre.h"

#include <algorithm>
#include <cmath>

#include "platform/dossier.h"
#include "units/uvkamortissement.h"
#include "units/uvkcomposant.h"
#include "units/uvkdivers.h"
#include "units/uvkprechargement.h"

#define VK_UNIT vk::kUnitUniteOeuvre
#include "units/vklocation.h"

namespace {
constexpr short kAnneeSuivante = -32768;
const char* const kTropDAnnees =
    "Le nombre d'années de répartition est trop important ou la durée de l'amortissement n'est pas "
    "renseignée.";
const char* const kSelect = "SELECT ID_UOPREVUE,ID_COMPO,ID_AMORT,EXERCICE,CONSO FROM ";
}  // namespace

// ---------------------------------------------------------------------------------------------
// One year

void cVK_UOPrevue::CreerBase(const UnicodeString& base) {
    const bool dossier = base.empty();
    const UnicodeString table = GetNomTableBase("VKU", base);
    auto clause = [&](const UnicodeString& text) { return dossier ? text : UnicodeString(","); };
    const UnicodeString sql =
        "CREATE TABLE " + table + "(ID_UOPREVUE AUTOINC" + clause(" NOT NULL,") + "ID_COMPO INTEGER" +
        clause(" REFERENCES " + GetNomTable("VKC", false) + " ON DELETE CASCADE,") + "ID_AMORT INTEGER" +
        clause(" REFERENCES " + GetNomTable("VKA", false) + " ON DELETE CASCADE,") + "EXERCICE SMALLINT" +
        clause(" CHECK (EXERCICE>=0),") + "CONSO DECIMAL(18,4)" +
        clause(" CHECK (CONSO IS NULL OR CONSO>=0),") + "PRIMARY KEY(ID_UOPREVUE))";
    if (VK_CreateTable(VK_LOC(), "VKU", sql, base) && dossier) {
        try {
            pCurDossier->CreeAutoIncFirebird(table, "ID_UOPREVUE", true);
        } catch (const std::exception& e) {
            vk::Display(VK_LOC(), e);
        }
    }
}

cVK_UOPrevue::cVK_UOPrevue(cVK_LstUOPrevue* list, const UnicodeString& base_, TDataSet* data, unsigned id)
    : cVK_Base(id), base(base_), Liste(list) {
    try {
        if (id != 0) {
            BD_Lit(data);
        } else if (Liste && Liste->Amortissement && Liste->Amortissement->ID != 0) {
            BD_Inserer();
        }
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_UOPrevue::cVK_UOPrevue(cVK_LstUOPrevue* list, short exercice, const UnicodeString& base_)
    : cVK_Base(0), base(base_), Liste(list), Exercice(exercice) {
    InsereSiProprietaireEnregistre();
}

cVK_UOPrevue::cVK_UOPrevue(cVK_LstUOPrevue* list, const TDateTime&, const UnicodeString& base_)
    : cVK_Base(0), base(base_), Liste(list) {
    InsereSiProprietaireEnregistre();
}

void cVK_UOPrevue::InsereSiProprietaireEnregistre() {
    try {
        if (!Liste) return;
        const bool stored = Liste->Composant ? Liste->Composant->ID != 0
                                             : (Liste->Amortissement && Liste->Amortissement->ID != 0);
        if (stored) BD_Inserer();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

UnicodeString cVK_UOPrevue::Table() const {
    return GetNomTableBase("VKU", base);
}

void cVK_UOPrevue::BD_Lit(TDataSet* data) {
    try {
        std::unique_ptr<TIBQuery> own;
        if (!data) {
            own = VK_InitDataset(VK_LOC(), kSelect + Table() + " WHERE ID_UOPREVUE=" + VK_Format_ID(ID), true,
                                 base);
            if (!own) return;
            own->Open();
            if (own->Eof()) return;
            data = own.get();
        }
        Exercice = static_cast<short>(data->FieldByName("EXERCICE")->AsInteger());
        Consommation = data->FieldByName("CONSO")->AsCurrency();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

namespace {
UnicodeString Proprietaires(const cVK_LstUOPrevue* list, bool update) {
    const UnicodeString component = list && list->Composant ? VK_Format_ID(list->Composant->ID) : "NULL";
    const UnicodeString plan = list && list->Amortissement ? VK_Format_ID(list->Amortissement->ID) : "NULL";
    return update ? "ID_COMPO=" + component + ",ID_AMORT=" + plan : component + "," + plan;
}
}  // namespace

bool cVK_UOPrevue::BD_Inserer() {
    try {
        return InsereEtRelitID(VK_LOC(),
                               "INSERT INTO " + Table() + "(ID_COMPO,ID_AMORT,EXERCICE,CONSO)VALUES (" +
                                   Proprietaires(Liste, false) + "," + VK_FormatInt(Exercice) + "," +
                                   Consommation.GetSQL() + ")",
                               Table(), "ID_UOPREVUE", base);
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

bool cVK_UOPrevue::BD_Update() {
    return VK_ExecSQL(VK_LOC(),
                      "UPDATE " + Table() + " SET " + Proprietaires(Liste, true) +
                          ",EXERCICE=" + VK_FormatInt(Exercice) + ",CONSO=" + Consommation.GetSQL() +
                          " WHERE ID_UOPREVUE=" + VK_Format_ID(ID),
                      base);
}

bool cVK_UOPrevue::BD_Supprimer(bool ask) {
    try {
        if (ask && !OKTQuestion("Etes-vous sûr de vouloir supprimer cette ligne d'unité d'oeuvre ?",
                                "Confirmation", 0))
            return false;
        if (ID != 0 &&
            !VK_ExecSQL(VK_LOC(), "DELETE FROM " + Table() + " WHERE ID_UOPREVUE=" + VK_Format_ID(ID), base))
            return false;
        if (Liste) Liste->Delete(this);
        return true;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

void cVK_UOPrevue::Assign(const cVK_UOPrevue* source) {
    if (!source) return;
    cVK_Base::Assign(source);
    SetExercice(source->Exercice);
    SetConsommation(source->Consommation);
}

void cVK_UOPrevue::SetExercice(const short& exercice) {
    if (exercice == Exercice) return;
    Exercice = exercice;
    Modifie();
}

void cVK_UOPrevue::SetConsommation(const CCurrency& quantity) {
    if (quantity == Consommation) return;
    Consommation = quantity;
    Modifie();
}

// ---------------------------------------------------------------------------------------------
// The list of one owner

cVK_LstUOPrevue::cVK_LstUOPrevue(cVK_Amortissement* plan, const UnicodeString& base)
    : Amortissement(plan), base_(base) {
    BD_Lit();
}

cVK_LstUOPrevue::cVK_LstUOPrevue(cVK_Composant* component, const UnicodeString& base)
    : Composant(component), base_(base) {
    BD_Lit();
}

cVK_LstUOPrevue::~cVK_LstUOPrevue() {
    Clear();
}

UnicodeString cVK_LstUOPrevue::Table() const {
    return GetNomTableBase("VKU", base_);
}

UnicodeString cVK_LstUOPrevue::GetConditionID() const {
    if (Composant) return "ID_COMPO=" + VK_Format_ID(Composant->ID);
    return "ID_AMORT=" + VK_Format_ID(Amortissement ? Amortissement->ID : 0);
}

void cVK_LstUOPrevue::Clear() {
    for (cVK_UOPrevue* forecast : items_) delete forecast;
    items_.clear();
}

void cVK_LstUOPrevue::BD_Lit() {
    Clear();
    try {
        const unsigned ownerId = Composant ? Composant->ID : (Amortissement ? Amortissement->ID : 0);
        if (ownerId == 0) return;  // an owner not stored yet has no rows
        const UnicodeString owner = (Composant ? "C" : "A") + VK_Format_ID(ownerId);
        auto query = VK_DatasetPrecharge(VK_LOC(), "VKU", owner, owner,
                                         kSelect + Table() + " WHERE " + GetConditionID(), true, base_);
        if (!query) return;
        for (query->Open(); !query->Eof(); query->Next())
            items_.push_back(
                new cVK_UOPrevue(this, base_, query.get(),
                                 static_cast<unsigned>(query->FieldByName("ID_UOPREVUE")->AsInteger())));
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}

cVK_UOPrevue* cVK_LstUOPrevue::GetUOPrevue(unsigned id) const {
    for (cVK_UOPrevue* forecast : items_)
        if (forecast->ID == id) return forecast;
    return nullptr;
}

cVK_UOPrevue* cVK_LstUOPrevue::GetUOPrevue(int exercice) const {
    for (cVK_UOPrevue* forecast : items_)
        if (forecast->Exercice == exercice) return forecast;
    return nullptr;
}

TDateTime cVK_LstUOPrevue::Depart() const {
    if (Amortissement) return Amortissement->GetPtDeDepart();
    return Composant ? Composant->DATEMISEENSERV : TDateTime();
}

cVK_UOPrevue* cVK_LstUOPrevue::AddNew(short exercice) {
    if (exercice == kAnneeSuivante) {
        const long first = std::max(0L, pCurDossier->DonnerExercice(Depart(), false));
        exercice = static_cast<short>(first + Count());
    }
    auto* forecast = new cVK_UOPrevue(this, exercice, base_);
    items_.push_back(forecast);
    return forecast;
}

void cVK_LstUOPrevue::Delete(cVK_UOPrevue* forecast) {
    items_.erase(std::remove(items_.begin(), items_.end(), forecast), items_.end());
}

void cVK_LstUOPrevue::Delete(short exercice) {
    Delete(GetUOPrevue(static_cast<int>(exercice)));
}

void cVK_LstUOPrevue::Assign(const cVK_LstUOPrevue* source) {
    Clear();
    if (!source) return;
    for (cVK_UOPrevue* forecast : source->items_) AddNew(kAnneeSuivante)->Assign(forecast);
}

bool cVK_LstUOPrevue::BD_Supprimer() {
    return VK_ExecSQL(VK_LOC(), "DELETE FROM " + Table() + " WHERE (" + GetConditionID() + ")", base_);
}

void cVK_LstUOPrevue::ReInitID() {
    for (cVK_UOPrevue* forecast : items_) forecast->ReInitID();
}

void cVK_LstUOPrevue::AjusteAuPlan() {
    // A manual plan's amounts cover exactly the fiscal years of the plan's span.
    const TDateTime start = Amortissement->GetPtDeDepart();
    const unsigned short duree = Amortissement->GetDuree();
    if (start.IsNull() || duree == VK_DureeAucune) {
        Clear();
        BD_Supprimer();
        return;
    }
    const TDateTime end = AjouteMois(start, duree) - 1;
    for (cVK_UOPrevue* forecast : std::vector<cVK_UOPrevue*>(items_)) {
        TDateTime yearStart, yearEnd;
        pCurDossier->DonnerDatesDebEtFin(forecast->Exercice, false, &yearStart, &yearEnd);
        if (yearEnd < start || yearStart > end) {
            Delete(forecast->Exercice);
            delete forecast;
        }
    }
    const long first = std::max(0L, pCurDossier->DonnerExercice(start, false));
    const long last = std::max(0L, pCurDossier->DonnerExercice(end, false));
    for (long year = first; year <= last; ++year)
        if (!GetUOPrevue(static_cast<int>(year))) AddNew(static_cast<short>(year));
}

bool cVK_LstUOPrevue::BD_MAJ() {
    try {
        if (Amortissement && Amortissement->METHODE == maManuel) AjusteAuPlan();
        bool written = true;
        UnicodeString identifiers;
        for (cVK_UOPrevue* forecast : items_) {
            written = forecast->BD_MAJ() && written;
            if (forecast->ID == 0) continue;
            if (!identifiers.empty()) identifiers += ",";
            identifiers += VK_Format_ID(forecast->ID);
        }
        UnicodeString sql = "DELETE FROM " + Table() + " WHERE (" + GetConditionID() + ") ";
        if (!identifiers.empty()) sql += " AND ID_UOPREVUE NOT IN (" + identifiers + ")";
        return VK_ExecSQL(VK_LOC(), sql, base_) && written;
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
        return false;
    }
}

CCurrency cVK_LstUOPrevue::PartPremiereAnnee(short exercice, const TDateTime& start,
                                             const CCurrency& per) const {
    TDateTime yearStart, yearEnd;
    pCurDossier->DonnerDatesDebEtFin(exercice, false, &yearStart, &yearEnd);
    if (start > yearStart && start <= yearEnd)
        return CCurrency(Round(per.AsDouble() * (yearEnd - start) / (yearEnd - yearStart), 2));
    return per;
}

void cVK_LstUOPrevue::CalculAuto(bool parAnnee, const CCurrency& valeurDonnee, const CCurrency& total) {
    const TDateTime start = Depart();
    const bool manual = Amortissement && Amortissement->METHODE == maManuel;
    CCurrency valeur = valeurDonnee;
    int years;
    if (manual) {
        parAnnee = false;
        valeur = CCurrency(static_cast<int>(Amortissement->GetDuree())) / CCurrency(12);
        years = Count();
    } else {
        if (!valeur.IsNull() && valeur > CCurrency(0))
            years = static_cast<int>(std::ceil(valeur.AsDouble()));
        else
            years = 0;
    }
    if (valeur.IsNull() || valeur <= CCurrency(0) || total.IsNull() || total <= CCurrency(0))
        throw Exception("La répartition demande une valeur et un total supérieurs à zéro.");
    if (!manual) Clear();
    const CCurrency per = parAnnee ? valeur : CCurrency(Round((total / valeur).AsDouble(), 2));
    CCurrency sum(0);
    if (parAnnee) {
        if (total / valeur > CCurrency(100)) throw Exception(kTropDAnnees);
        while (sum < total) {
            cVK_UOPrevue* year = AddNew(kAnneeSuivante);
            const CCurrency amount =
                sum + per > total ? total - sum : PartPremiereAnnee(year->Exercice, start, per);
            year->SetConsommation(amount);
            sum += amount;
        }
    } else {
        if (valeur > CCurrency(100)) throw Exception(kTropDAnnees);
        for (int i = 0; i < years; ++i) {
            cVK_UOPrevue* year = manual ? items_.at(i) : AddNew(kAnneeSuivante);
            const CCurrency amount =
                i == years - 1 ? total - sum : PartPremiereAnnee(year->Exercice, start, per);
            year->SetConsommation(amount);
            sum += amount;
        }
    }
    if (Amortissement) {
        Amortissement->ClearCalculs();
    } else if (Composant && Composant->GetLstAmortissement()) {
        cVK_LstAmortissement* plans = Composant->GetLstAmortissement();
        for (int i = 0; i < plans->Count(); ++i)
            if (plans->Get(i)->GetMethode() == maUnitesOeuvre) plans->Get(i)->ClearCalculs();
    }
    BD_MAJ();
}

void cVK_LstUOPrevue::GetRequete_ListeUO(TDataSet* data, TStrings* update, unsigned idAutre) {
    try {
        auto* query = dynamic_cast<TIBQuery*>(data);
        if (!query) return;
        const UnicodeString ownerColumn = Composant ? "ID_COMPO" : "ID_AMORT";
        const UnicodeString otherColumn = Composant ? "ID_AMORT" : "ID_COMPO";
        const UnicodeString ownerId =
            VK_Format_ID(Composant ? Composant->ID : (Amortissement ? Amortissement->ID : 0));
        UnicodeString sql;
        if (idAutre == 0) {
            sql =
                "SELECT U1.EXERCICE AS EXERCICE,CASE WHEN U1.EXERCICE=0 THEN CAST('N' AS VARCHAR(10)) ELSE "
                "('N+'||CAST(U1.EXERCICE AS VARCHAR(10))) END AS EX_STR,CAST(NULL AS DECIMAL(18,4)) AS "
                "CONSO_PREC,U1.CONSO AS CONSO_NOUV FROM " +
                Table() + " U1 WHERE U1." + ownerColumn + "=" + ownerId + " ORDER BY U1.EXERCICE ";
        } else {
            // A year present on either side gives a row.
            const UnicodeString year = "COALESCE(U1.EXERCICE,U2.EXERCICE)";
            sql =
                "SELECT " + year + " AS EXERCICE,CASE WHEN " + year +
                "=0 THEN CAST('N' AS VARCHAR(10)) ELSE ('N+'||CAST(" + year +
                " AS VARCHAR(10))) END AS EX_STR,U2.CONSO AS CONSO_PREC,U1.CONSO AS CONSO_NOUV FROM (SELECT "
                "EXERCICE,CONSO FROM " +
                Table() + " WHERE " + ownerColumn + "=" + ownerId +
                ") U1 FULL OUTER JOIN (SELECT EXERCICE,CONSO FROM " + Table() + " WHERE " + otherColumn +
                "=" + VK_Format_ID(idAutre) + ") U2 ON U1.EXERCICE=U2.EXERCICE ORDER BY 1";
        }
        if (update)
            update->SetText("UPDATE " + Table() + " SET CONSO=:CONSO_NOUV WHERE " + ownerColumn + "=" +
                            ownerId + " AND EXERCICE=:EXERCICE");
        query->Close();
        query->SQL.SetText(sql);
        query->Open();
    } catch (const std::exception& e) {
        vk::Display(VK_LOC(), e);
    }
}
