// A component: the unit that is depreciated. Every asset owns one or more components; the first is
// its structure component and carries the asset's own data. Stored in table "VKC".
//
// The component owns its acquisition details (case-file database only), its depreciation plans,
// its disposal record when it is disposed of and its units-of-production forecasts. Children keep
// a plain pointer to it and read its fields directly.
#pragma once

#include <array>
#include <memory>

#include "platform/currency.h"
#include "platform/datetime.h"
#include "units/vkbase.h"
#include "units/vktypes.h"

class cVK_Bien;
class cVK_ListeComposants;
class cVK_LstDetailComposant;
class cVK_LstAmortissement;
class cVK_Amortissement;
class cVK_Cession;
class cVK_LstUOPrevue;
class cVK_ListEcr;
struct cEcrLigne;
struct IncidenceMAN;

// Family data read at load.
struct cDonneesFamille {
    unsigned ID = 0;
    UnicodeString Nom;
    int Origine = 0;  // 0 common database, 1 case-file database
    void Clear() { *this = cDonneesFamille(); }
};

// Long names of the entry types ("TYPEENTREE" 0 to 6) and their short codes.
extern const char* const cszTypeEntree[7];
extern const char* const cszTypeEntreeCourt[7];

class cVK_Composant : public cVK_PrimaireAmortissable {
public:
    static void CreerBase(const UnicodeString& base);

    // With id 0 a new component of the list's asset (inserted at once when the asset is stored);
    // otherwise the stored component, read from `row` when given (positioned on its row), else
    // from the database.
    cVK_Composant(cVK_ListeComposants* list, const UnicodeString& base, TDataSet* row, unsigned id);
    ~cVK_Composant() override;

    // --- Persistence ---
    bool BD_Inserer() override;
    bool BD_Update() override;
    bool BD_Supprimer(bool confirm) override;
    using cVK_PrimaireAmortissable::Assign;
    virtual void Assign(const cVK_Composant* source, bool keepOwnNames);
    virtual void ReInitID(bool newReferences);
    virtual void BD_Dupliquer(VK_Etats state);
    cVK_Composant* Get_ComposantCourant() override { return this; }
    // Moves the component into another list (and so another asset).
    void ReAffecte(cVK_ListeComposants* list);

    // --- Links ---
    cVK_ListeComposants* GetListe() const { return liste_; }
    cVK_Bien* GetBien() const { return bien_; }
    const UnicodeString& GetBase() const { return base_; }
    cVK_LstDetailComposant* GetDetails() const { return details_.get(); }
    cVK_LstAmortissement* GetLstAmortissement() const { return amortissements_.get(); }
    // The plan of a kind (1 accounting, 2 tax), null when the component has none.
    cVK_Amortissement* GetAmort(VK_TypeAmort kind) const;
    cVK_Cession* GetCession() const { return cession_.get(); }
    // Replaces (and frees) the disposal record; null removes it.
    void SetCession(cVK_Cession* cession);
    cVK_LstUOPrevue* GetLstUOPrevue() const { return uoPrevues_.get(); }
    // Gives the component its units forecast list (taking ownership); null drops it.
    void SetLstUOPrevue(cVK_LstUOPrevue* forecasts);
    // The state of the owning asset (VK_Etats), 0 without an asset.
    int GetEtatBien() const;
    // Vehicle facts of the owning asset (first registration date, vehicle type); read from the
    // database when the component was loaded without its asset.
    TDateTime GetDatePremiereImmatriculation() const;
    int GetTypeVehicule() const;
    bool HasVehicule() const;

    // --- Setters with side effects (each does nothing when the value is unchanged) ---
    void SetNumCompte(const UnicodeString& account);
    void SetIsAmortNonDeductible(bool value);
    void SetPrixAcquis(const CCurrency& amount);
    void SetFraisAcquis(const CCurrency& amount);
    void SetTVARecuperee(const CCurrency& amount);
    void SetUO_CumulConsoOuvForce(const CCurrency& quantity);
    void SetUO_ConsommationTotale(const CCurrency& quantity);
    void SetUO_Designation(const UnicodeString& text);
    void SetAmortDerogOuvForce(const CCurrency& amount);
    void SetMAN_AmortDerogOuvForce(const CCurrency& amount);
    void SetReintTmpOuvForce(const CCurrency& amount);
    void SetMAN_ReintTmpOuvForce(const CCurrency& amount);
    void SetAH_Critere(int index, unsigned id);
    // Plain setters of depreciation inputs: store, ClearCalculs, Modifie.
    void SetDateEntree(const TDateTime& date);
    void SetDateMiseEnService(const TDateTime& date);
    void SetTypeEntree(int type);

    // --- Getters ---
    // The totals of the acquisition details, each never below 0 when used (the stored sums stay
    // exact, negative lines included); null when nothing was ever entered.
    CCurrency GetPrixAcquis() const;
    CCurrency GetFraisAcquis() const;
    CCurrency GetTVARecuperee() const;
    // Price + costs.
    CCurrency GetPrixHT() const;
    CCurrency GetPrixHTOuverture() const;
    cVK_Composant* GetCompoPrec();
    int GetTypeCompte() const;
    bool IsImmoFinanciere() const;
    bool IsImmoIncorporelle() const;
    void GetFamilleOuGrdFamille(TDataSet* row, cDonneesFamille* out);
    UnicodeString GetNomGrdFamille();
    unsigned GetAH_Critere(int index) const { return AH_CRIT[index]; }
    UnicodeString GetAH_sCritere(int index) const;
    CCurrency GetBaseTaxePro() const;
    bool GetBaseTaxePro_IsValLocative() const { return TYPEENTREE == 5; }
    UnicodeString GetTypeEntree() const;
    UnicodeString GetTypeEntreeLong() const;
    UnicodeString GetNomTypeEntree() const;
    TDateTime GetDateEntreePourCalculPvMv();
    bool PeutEtreSoumisALa2027H() const;
    UnicodeString GetAcquisCede(const TDateTime& date) const;
    bool IsVerrouille(VK_Actions action, int kind) const;
    // Declared for the account cache and the depreciation engine, which define them.
    UnicodeString GetNumCompte(int i) const;
    void CreeFicTemporaireTabAmort();

    // Drops the computed schedules of every plan; called by every setter that changes a
    // depreciation input.
    void ClearCalculs();

    // --- Derogatory depreciation (cumulated amounts at a date; "Ouv" at the opening of the year) ---
    CCurrency GetAmortDerog_Comptable(const TDateTime& date);
    bool GetAmortDerogEstConcerne(const TDateTime& date);
    CCurrency GetAmortDerogMaxiOuv();
    CCurrency GetAmortDerogOuv(int withForced);
    CCurrency GetMAN_AmortDerogOuv(int withForced);
    CCurrency GetAmortDerogMaxi(const TDateTime& date);
    CCurrency GetAmortDerogMini(const TDateTime& date);
    CCurrency GetAmortDerogRetenu(const TDateTime& date);
    CCurrency GetAmortDerog(const TDateTime& date);
    CCurrency GetAmortDerogRepriseSurCession(const TDateTime& date);
    // The year's net movement; each output may be null.
    CCurrency GetAmortDerogEx(const TDateTime& date, CCurrency* dotation, CCurrency* reprise,
                              CCurrency* repriseCession, CCurrency* cloture);
    CCurrency GetAmortRegulDiffOuv();
    CCurrency GetAmortRegulDiff(const TDateTime& date);

    // --- Reintegrations and impairment tests ---
    CCurrency GetReintTmpOuv(int withForced);
    bool GetReintTmpEstConcerne(const TDateTime& date);
    CCurrency GetReintTmp(const TDateTime& date);
    CCurrency GetReintTmpReintDed(const TDateTime& date, int deduction);
    bool GetReintDefEstConcerne() const { return ISAMORT_NON_DEDUC; }
    bool GetReintDefEstConcerneVehTourisme() const;
    CCurrency GetReintDefBaseMaxi() const { return CCurrency(0); }
    CCurrency GetDotationReintDef(const TDateTime& date);
    CCurrency GetReintDef(const TDateTime& date);
    bool GetEstDeprecieAOuv();
    bool GetEstDeprecie(TDateTime date, bool withOpening);
    // Under the passenger-car rule: a passenger car's structure or a component flagged for it.
    bool ExclusVoitureTourisme() const;

    // --- Units and manual charges at a situation (uo: units of production, else manual charges) ---
    // What remains at the opening: units still to consume (accounting plan), or depreciation still
    // to charge (manual tax plan); empty when the component has none.
    CCurrency GetAmortUOouManu_RestantsSituation(bool uo) const;
    // The forecast share up to the date (the situation date when it is the zero date), and the
    // retained one, where forced values take precedence.
    CCurrency GetAmortUOouManu_PrevusSituation(bool uo, const TDateTime& date) const;
    CCurrency GetAmortUOouManu_ReelsSituation(bool uo, const TDateTime& date) const;

    // --- Entries (each inserts its lines into the list) ---
    // With a model line (from the disposal entry) the lines go into the model's entry.
    void GetEcritureDotation(cVK_ListEcr* list, const cEcrLigne* model) const;
    void GetEcritureDerogatoire(cVK_ListEcr* list, const cEcrLigne* model) const;
    void GetEcritureDepreciation(cVK_ListEcr* list, const cEcrLigne* model) const;
    void GetEcritureSortie(cVK_ListEcr* list) const;
    void GetEcritureVirement(cVK_ListEcr* list) const;
    void GetEcritureMiseAuxNormes(cVK_ListEcr* list) const;
    void GetIncidenceMiseAuxNormes(IncidenceMAN& result) const;
    // Cancels the recorded disposal entry of the component and clears its date.
    void AnnuleEcritureSortie() const;
    // Disposed on or before the case file's situation date.
    bool EstCedeALaSituation() const;
    // The exit (ID_SORTIE) the component's asset belongs to, 0 when none: the component's disposal
    // entry is then that exit's entry.
    unsigned GetIdSortie() const;

    // --- Validation and year-end closing ---
    // Closes the current year for this component; false when it entered after the year's end.
    bool Cloture();
    // Stores the opening balances the computations start from (at validation).
    void StockeAmortAnterieurs();
    void SupprimeStokageOuv();

    // --- Stored columns ---
    int EXOCREATION = VK_IntNullValue;
    int EXOSUPPR = VK_IntNullValue;
    unsigned ID_BIEN = 0;
    bool ISSTRUCTURE = false;
    UnicodeString NUMCOMPTE;
    unsigned ID_ETAB = 0;
    TDateTime DATEENTREE;
    TDateTime DATEMISEENSERV;
    int TYPEENTREE = VK_IntNullValue;
    int MAN_MOTIF = 0;
    CCurrency MAN_MONTAIMMO, MAN_AMORTDEJAPRAT;
    UnicodeString MAN_CPTACRED;
    CCurrency MAN_MONTACRED;
    UnicodeString REF_FRPPAL, REF_MARQUE, REF_TYPE, REF_REFCONST, REF_NUMSERIE, REF_NUMFACTURE;
    UnicodeString COMMENTAIRE;
    int CE_QTE = 1;
    std::array<unsigned, 5> AH_CRIT{};
    UnicodeString AFFECT_BUDGET;
    bool DEST_EXPLOIT = false;
    bool SOUMIS_TP = false;
    CCurrency BASE_TAXEPRO;
    bool ISAMORT_NON_DEDUC = false;
    bool ISIMMOS_DT_DOT_PLAF = false;
    bool POUR_CALC_REINT_AMORT = false;
    CCurrency UO_CONSO_OUV, UO_CONSO;
    UnicodeString UO_DESIGNATION;
    CCurrency DEROG_OUV, DEROG_OUV_FORC, DEROG_OUV_MAN, DEROG_OUV_FORC_MAN;
    CCurrency OUV_A_DED, OUV_A_DED_FORCE, OUV_A_DED_FORC_MAN;
    int ETATCREATION = 0;
    cDonneesFamille Famille;

    // Totals of the acquisition details (not stored in the row).
    CCurrency PrixAcquis, FraisAcquis, TVARecuperee;

    static constexpr int VK_IntNullValue = -2147483647;

    // The component table's name in the component's database.
    UnicodeString NomTable() const { return NomTable(base_); }
    static UnicodeString NomTable(const UnicodeString& base);
    // The 51 stored columns, as every select of a whole component row lists them.
    static const char* const ColonnesSelect;

private:
    void InitNouveau();
    void Lit(TDataSet* row);
    void LitVehiculeSansBien();
    // Reads the component's disposal record, when it has exactly one.
    void LitCession();
    // Drops the computed schedules of the plans of units of production.
    void ClearCalculsUnites();
    // True when one of the plans applies units of production (the component's forecasts are used).
    bool UtiliseUnites() const;
    // Reads the units forecasts when a plan applies units of production and none are loaded yet.
    void LitUnitesPrevues();
    UnicodeString ValeursInsert() const;
    UnicodeString AffectationsUpdate() const;
    void NormaliseBaseTaxePro();
    bool SauveEnfants(bool justInserted);
    // The acquisition details keep the totals: each line adds its converted amounts (sign 1) or
    // takes them back (sign -1); the totals stay the exact sum of the lines.
    void CumuleDetail(const CCurrency& prix, const CCurrency& frais, const CCurrency& tva, int sign);
    void VideTotaux();

    cVK_ListeComposants* liste_ = nullptr;
    cVK_Bien* bien_ = nullptr;
    UnicodeString base_;
    std::unique_ptr<cVK_LstDetailComposant> details_;
    std::unique_ptr<cVK_LstAmortissement> amortissements_;
    std::unique_ptr<cVK_Cession> cession_;
    std::unique_ptr<cVK_LstUOPrevue> uoPrevues_;
    std::unique_ptr<cVK_Composant> compoPrec_;
    bool compoPrecLu_ = false;
    // Vehicle facts of a component loaded without its asset.
    bool vehiculeLu_ = false;
    bool vehiculePresent_ = false;
    TDateTime datePremImmat_;
    int typeVehicule_ = 0;

    friend class cVK_ListeComposants;
    friend class cVK_LstDetailComposant;
    friend class cVK_DetailComposant;
};
