// Depreciation plans, their yearly schedules and the storage of both.
//
//  - cVK_Amortissement: one plan of one kind (accounting, tax, consolidated) for one component: the
//    method, starting point, duration and residual value the user chose, the forced opening values,
//    and everything derived from them (effective method, rate, coefficient, depreciable value).
//    Every amount that depends on a year or a date comes from its schedule.
//  - cVK_TabAmort: one line of a schedule, the depreciation of one fiscal year. A computed line
//    caches what it computes until ClearCalculs; a stored line (table "VKT") returns what it read.
//  - cVK_LstTabAmort: the schedule of one plan, its lines keyed by fiscal-year number, built on
//    demand and merged with the stored lines of earlier years.
//  - cVK_LstAmortissement: the plans of one component (table "VKA").
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/currency.h"
#include "platform/datetime.h"
#include "platform/lists.h"
#include "units/vkbase.h"
#include "units/vktypes.h"

class cVK_Composant;
class cVK_LstAmortissement;
class cVK_LstTabAmort;
class cVK_TabAmort;
class cVK_LstUOPrevue;
class cVK_DetSituation;

// One row of the method table: every rule that depends on the method reads it.
struct VK_MethodeInfo {
    const char* DesignationLongue;
    char CodeCourt;
    char CodeCourtBNC;
    dateDOS DebutValidite;  // empty when da_year is 0
    dateDOS FinValidite;
    int DateReference;            // 0 none, 1 entry date, 2 date put into service, 3 first registration
    int TypesAutorises;           // mask of VK_TypeAmort
    int TypeMethode;              // 0 none or units, 1 linear, 2 declining, 4 manual, 14 copy
    unsigned short DureeImposee;  // 0 entered, 65535 no duration
    int PointDeDepart;            // starting-point rule 0 to 3
};

extern const VK_MethodeInfo VK_TableMethodes[14];
// The row of a method; method 0's row for a value outside the table.
const VK_MethodeInfo& VK_InfoMethode(int method);

UnicodeString GetDesignTypeAmort(VK_TypeAmort kind);
int ConvertMethodeAmort(VK_MethodeAmort method);
VK_MethodeAmort ConvertMethodeAmort_AncienVK(int legacy);
int ConvertMethodeAmortBNC(VK_MethodeAmort method);

constexpr unsigned short VK_DureeAucune = 65535;

class cVK_Amortissement : public cVK_Base {
public:
    static void CreerBase(const UnicodeString& base);

    // With a row: read from it. Without: a new plan (inserted at once when the component is
    // stored), or, with an id, the stored plan read from the database.
    cVK_Amortissement(cVK_LstAmortissement* list, VK_TypeAmort kind, const UnicodeString& base, TDataSet* row,
                      unsigned id);
    ~cVK_Amortissement() override;

    // --- Persistence ---
    void BD_Lit(TDataSet* row);
    bool BD_Inserer() override;
    bool BD_Update() override;
    bool BD_Supprimer(bool confirm) override;
    using cVK_Base::Assign;
    virtual void Assign(const cVK_Amortissement* source);
    virtual void ReInitID();

    // --- Ownership and schedules ---
    cVK_LstAmortissement* GetListe() const { return liste_; }
    void SetListe(cVK_LstAmortissement* list) { liste_ = list; }
    // The plan's component when the plan belongs to a component's list; null otherwise.
    cVK_Composant* GetComposant() const;
    const UnicodeString& GetBase() const { return base_; }
    cVK_LstTabAmort* GetLstTabAmort();
    cVK_LstTabAmort* GetMAN_LstTabAmort();
    cVK_LstUOPrevue* GetLstManuel() const { return manuel_.get(); }
    // Drops the computed lines of both schedules.
    void ClearCalculs();

    // --- Designations ---
    UnicodeString GetDesignTypeAmort() const { return ::GetDesignTypeAmort(TYPEAMORT); }
    UnicodeString GetDesignationMethode() const;
    UnicodeString GetDesignMethode() const { return GetDesignationMethode(); }
    UnicodeString GetDesignMethodeCourte() const;
    UnicodeString GetDesignMethodeCourteBNC() const;
    static void RemplitListeMethodes(VK_TypeAmort kind, TStrings* list);
    void RemplitListeMethodes(TStrings* list) const;
    int GetTypeMethode() const;

    // --- Method, validity, starting point, duration ---
    bool GetAmortissable() const;
    bool MethodeValide(VK_MethodeAmort method) const;
    VK_MethodeAmort GetMethode() const;
    void SetMethode(VK_MethodeAmort method);
    TDateTime GetPtDeDepart();
    bool GetPtDeDepartEnSaisie() const;
    void SetPtDeDepart(const TDateTime& date);
    bool GetDureeEnSaisie() const;
    unsigned short GetDuree();
    void SetDuree(unsigned short months);
    int GetDureeRestantAAmortir();

    // --- Rate, coefficient, depreciable value ---
    CCurrency GetCoef();
    double GetTaux();
    CCurrency GetValAmortissable(int = 0);
    void SetValResiduelle(const CCurrency& amount);

    // --- Per-date figures (from the schedule) ---
    CCurrency GetDotation(const TDateTime& date);
    CCurrency GetCumulAmortOuv(int mode);
    CCurrency GetCumulAmort(const TDateTime& date);
    CCurrency GetCumulAmortRestantOuv();
    CCurrency GetCumulDeprecDedOuv(int mode);
    CCurrency GetCumulDeprecNonDedOuv(int mode);
    CCurrency GetCumulDeprecDed(const TDateTime& date);
    CCurrency GetCumulDeprecNonDed(const TDateTime& date);
    CCurrency GetVNCOuv(int mode);
    CCurrency GetVNC(const TDateTime& date);
    CCurrency GetCumulAmortDeprecDeduc(const TDateTime& date);
    CCurrency GetUO_CumulConsoOuv();
    CCurrency GetUO_CumulConsoRestantOuv();
    UnicodeString GetUO_Designation() const;

    // --- Situation detail and impairments ---
    void SetDetSituation(const TDateTime& date);
    cVK_DetSituation* GetDetSituation() const { return situation_.get(); }
    CCurrency GetValActuelle(const TDateTime& date);
    CCurrency GetDotationManuelleForc(const TDateTime& date);
    CCurrency GetDeprec(const TDateTime& date, int mode);
    CCurrency GetDeprecNonDed(const TDateTime& date, int mode);
    CCurrency GetDeprecDed(const TDateTime& date, int mode);
    CCurrency GetDeprecNonDedPourEcran(const TDateTime& date, int mode);

    // --- Forced and standards-conformity opening values ---
    void SetCumulAmortOuvForce(const CCurrency& amount);
    void SetCumulDeprecDedOuvForce(const CCurrency& amount);
    void SetCumulDeprecNonDedOuvForce(const CCurrency& amount);
    void SetMAN_CumulAmortOuvForce(const CCurrency& amount);
    void SetMAN_CumulDeprecDedOuvForce(const CCurrency& amount);
    void SetMAN_CumulDeprecNonDedOuvForce(const CCurrency& amount);
    bool GetForcageOuv(bool standards);
    bool MiseAuxNormesAAppliquer();
    CCurrency GetMAN_CumulAmortOuv(int mode);
    CCurrency GetMAN_CumulDeprecDedOuv(int mode);
    CCurrency GetMAN_CumulDeprecNonDedOuv(int mode);
    // Freezes the computed years before the current one (before the next one at closing).
    void StockeAmortAnterieurs(bool atClosing);
    bool GetASubitUnChangementDePlan();

    // --- Comparison ---
    bool operator==(cVK_Amortissement& other);
    bool operator!=(cVK_Amortissement& other) { return !(*this == other); }
    bool Export_EstEgalA(cVK_Amortissement& other);

    // --- Stored columns ---
    unsigned ID_COMPO = 0;
    VK_MethodeAmort METHODE = maNonAmortissable;
    VK_TypeAmort TYPEAMORT = taAucun;
    TDateTime PTDEDEPART;
    unsigned short DUREE = VK_DureeAucune;
    CCurrency VALRESIDUELLE;
    CCurrency OUV_AMORT, OUV_DEPREC_DED, OUV_DEPREC_NON_DED;
    CCurrency OUV_AMORT_MAN, OUV_AMORT_CALC_MAN, OUV_DEPREC_DED_MAN, OUV_DEPREC_NON_DED_MAN;

private:
    void NormaliseAvantInsertion();
    // What the plan knows of its component: read through its list, or from a row of its own when
    // it has no list (a plan loaded alone by its identifier).
    struct FaitsComposant {
        bool MiseAuxNormes = false;
        TDateTime DateEntree, DateMiseEnService, DatePremImmat;
        UnicodeString NumCompte, UO_Designation;
        int TypeEntree = -2147483647;
        bool Vehicule = false;
        bool MethodeComptableLue = false;
        int MethodeComptable = -2147483647;
    };
    void LitFaitsComposant();
    TDateTime DateEntree() const;
    TDateTime DateMiseEnService() const;
    int TypeEntree() const;
    bool ComposantFinancier() const;
    bool HasVehicule() const;
    TDateTime DatePremImmat() const;
    int MethodeComptable() const;
    // The method of the other plan a copy method refers to, resolved as the insert resolves it.
    VK_MethodeAmort MethodeCopiee() const;
    cVK_Amortissement* AutrePlan(VK_TypeAmort kind) const;
    cVK_TabAmort* LigneCourante();
    UnicodeString Table() const;
    UnicodeString Valeurs(bool update) const;
    bool SauveEnfants();
    void DetruitTableaux();

    cVK_LstAmortissement* liste_;
    UnicodeString base_;
    std::optional<FaitsComposant> faits_;
    std::unique_ptr<cVK_LstUOPrevue> manuel_;
    std::unique_ptr<cVK_LstTabAmort> tableau_;
    std::unique_ptr<cVK_LstTabAmort> tableauMAN_;
    std::unique_ptr<cVK_DetSituation> situation_;
    CCurrency valAmortissable_;

    friend class cVK_TabAmort;
    friend class cVK_LstTabAmort;
};

class cVK_TabAmort : public cVK_Base {
public:
    static void CreerBase();

    // With a row positioned on a "VKT" record, a stored line; without, a computed line of the year.
    cVK_TabAmort(cVK_LstTabAmort* list, TDataSet* row, short exercice);

    bool BD_Inserer() override;
    bool BD_Update() override { return true; }
    bool BD_Supprimer(bool) override { return false; }

    short GetExercice() const { return EXERCICE; }
    bool IsStocke() const { return stocke_; }
    bool GetDernierAmort() const { return dernier_; }
    bool GetPremierAmort();
    bool GetForcageOuv();
    bool GetLin() const { return LIN; }
    const UnicodeString& GetProrata() const { return PRORATA; }
    // The plan the line is computed with: its list's, or the earlier version's plan a stored line
    // was written under (loaded at the first call).
    cVK_Amortissement* GetAmortissement() const;

    CCurrency GetPrixAcquis();
    CCurrency GetFraisAcquis();
    CCurrency GetPrixHT() { return GetPrixAcquis() + GetFraisAcquis(); }
    void ClearCalculs();

    CCurrency GetBaseAmortissableEx();
    // The year's charge; an empty date asks for the whole year. A date inside the current year asks
    // for the charge up to it, which is returned without being kept.
    CCurrency GetDotation(const TDateTime& date);
    CCurrency GetCumulAmortOuv(int mode);
    CCurrency GetCumulDeprecDedOuv(int mode);
    CCurrency GetCumulDeprecNonDedOuv(int mode);
    CCurrency GetDeprecDedEx();
    CCurrency GetDeprecNonDedEx();
    CCurrency GetCumulConsoOuv();
    CCurrency GetCumulConsoRestantOuv();
    CCurrency GetConsoEx();
    CCurrency GetVNCOuv(int mode);
    CCurrency GetCumulAmortRestantOuv();
    CCurrency GetResteAAmortirEx();

private:
    struct Calcul;
    cVK_Composant* Composant() const;
    bool ModeMAN() const;
    CCurrency CalculeDotation(const TDateTime& date, bool keep);
    CCurrency CumulDeprecOuv(int mode, bool deductible);
    cVK_TabAmort* Precedente();

    cVK_LstTabAmort* liste_;
    mutable cVK_Amortissement* plan_;
    mutable unsigned planStocke_ = 0;  // the earlier plan of a stored line, until it is loaded
    short EXERCICE;
    bool stocke_ = false;
    bool dernier_ = false;
    bool PREMIER_AMORT = false;
    bool FORCAGE_OUV = false;
    bool LIN = false;
    CCurrency PRIX_ACQUIS, FRAIS_ACQUIS;
    CCurrency BASE;
    UnicodeString PRORATA;
    CCurrency CONSO, DOTATION, DEPREC_DED, DEPREC_NONDED;
    CCurrency OUV_CUMUL_CONSO;
    CCurrency OUV_CUMUL_AMORT[2], OUV_CUMUL_DEPREC_DED[2], OUV_CUMUL_DEPREC_NONDED[2];
    CCurrency OUV_VNC;
};

class cVK_LstTabAmort {
public:
    cVK_LstTabAmort(const cVK_Amortissement* plan, bool standardsMode);
    virtual ~cVK_LstTabAmort();
    cVK_LstTabAmort(const cVK_LstTabAmort&) = delete;
    cVK_LstTabAmort& operator=(const cVK_LstTabAmort&) = delete;

    virtual void clear();
    void Relit();
    // The line of a year, created when missing; null when the year is refused.
    cVK_TabAmort* GetTabAmort(int exercice);
    cVK_TabAmort* AddNew(int exercice);
    cVK_TabAmort* GetLast();
    void CalculTableau();
    cVK_Amortissement* GetAmortBasedOn(unsigned idAmort);
    void ClearCalculs();
    void InsertAmortVideAnt();

    cVK_Amortissement* GetAmortissement() const { return plan_; }
    bool GetModeMAN() const { return modeMAN_; }
    bool HasStocke() const { return stocke_; }
    const std::map<int, std::unique_ptr<cVK_TabAmort>>& Lignes() const { return lignes_; }

private:
    std::map<int, std::unique_ptr<cVK_TabAmort>> lignes_;
    std::set<int> refuses_;
    std::set<int> enConstruction_;
    cVK_Amortissement* plan_;
    bool stocke_ = false;
    bool modeMAN_;
    std::map<unsigned, std::unique_ptr<cVK_Amortissement>> plansParId_;
};

class cVK_LstAmortissement {
public:
    // Loads the component's stored plans; a component without any gets an accounting and a tax plan.
    cVK_LstAmortissement(cVK_Composant* component, const UnicodeString& base);
    virtual ~cVK_LstAmortissement();
    cVK_LstAmortissement(const cVK_LstAmortissement&) = delete;
    cVK_LstAmortissement& operator=(const cVK_LstAmortissement&) = delete;

    virtual void Clear();
    virtual void Assign(const cVK_LstAmortissement* source);
    // Saves every element, then deletes the stored rows of the owner no longer in the list. With
    // ownerJustInserted (the owner's row was inserted by the save under way, in the case file) no row
    // of the owner can be missing from the list and the delete is not run.
    virtual bool BD_MAJ(bool ownerJustInserted = false);
    virtual void ReInitID();

    int Count() const { return static_cast<int>(items_.size()); }
    cVK_Amortissement* Get(int index) const { return items_.at(index); }
    cVK_Amortissement* AddNew(VK_TypeAmort kind);
    void Delete(cVK_Amortissement* plan);
    cVK_Amortissement* GetAmort(unsigned id) const;
    cVK_Amortissement* GetAmort(VK_TypeAmort kind) const;
    void ClearCalculs();
    void Trie();

    cVK_Composant* GetComposant() const { return composant_; }
    const UnicodeString& GetBase() const { return base_; }

private:
    UnicodeString base_;
    cVK_Composant* composant_;
    std::vector<cVK_Amortissement*> items_;  // owned
};
