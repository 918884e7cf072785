// Yearly figures of one owner, one per fiscal year (table "VKU"): the forecast units of production
// of a component (plans of method 3) or the manual yearly amounts of a plan (method 4). Each carries
// a fiscal-year index, 0 for the current year, never below 0.
#pragma once

#include <vector>

#include "platform/currency.h"
#include "platform/datetime.h"
#include "platform/lists.h"
#include "units/vkbase.h"

class cVK_Amortissement;
class cVK_Composant;
class cVK_LstUOPrevue;

class cVK_UOPrevue : public cVK_Base {
public:
    static void CreerBase(const UnicodeString& base);

    // With id 0, a new forecast of year 0; otherwise the stored forecast, read from `data` when
    // given.
    cVK_UOPrevue(cVK_LstUOPrevue* list, const UnicodeString& base, TDataSet* data, unsigned id);
    // A new forecast for a year, inserted at once when its owner is stored.
    cVK_UOPrevue(cVK_LstUOPrevue* list, short exercice, const UnicodeString& base);
    cVK_UOPrevue(cVK_LstUOPrevue* list, const TDateTime& date, const UnicodeString& base);

    void BD_Lit(TDataSet* data);
    bool BD_Inserer() override;
    bool BD_Update() override;
    bool BD_Supprimer(bool ask) override;
    using cVK_Base::Assign;
    virtual void Assign(const cVK_UOPrevue* source);
    virtual void ReInitID() { ResetID(); }

    void SetExercice(const short& exercice);
    void SetConsommation(const CCurrency& quantity);
    void SetListe(cVK_LstUOPrevue* list) { Liste = list; }

    UnicodeString base;
    cVK_LstUOPrevue* Liste;
    short Exercice = 0;
    CCurrency Consommation;

private:
    UnicodeString Table() const;
    void InsereSiProprietaireEnregistre();
};

class cVK_LstUOPrevue {
public:
    cVK_LstUOPrevue(cVK_Amortissement* plan, const UnicodeString& base);
    cVK_LstUOPrevue(cVK_Composant* component, const UnicodeString& base);
    virtual ~cVK_LstUOPrevue();
    cVK_LstUOPrevue(const cVK_LstUOPrevue&) = delete;
    cVK_LstUOPrevue& operator=(const cVK_LstUOPrevue&) = delete;

    virtual void Clear();
    virtual void Assign(const cVK_LstUOPrevue* source);
    virtual bool BD_MAJ();
    virtual void BD_Lit();

    UnicodeString GetConditionID() const;
    int Count() const { return static_cast<int>(items_.size()); }
    cVK_UOPrevue* Get(int index) const { return items_.at(index); }
    cVK_UOPrevue* GetUOPrevue(unsigned id) const;
    cVK_UOPrevue* GetUOPrevue(int exercice) const;
    // -32768 asks for the year after those already held.
    cVK_UOPrevue* AddNew(short exercice);
    void Delete(cVK_UOPrevue* forecast);
    void Delete(short exercice);
    bool BD_Supprimer();
    void ReInitID();
    // Spreads a total over the years: by a yearly quantity (parAnnee) or over a number of years.
    void CalculAuto(bool parAnnee, const CCurrency& valeur, const CCurrency& total);
    void GetRequete_ListeUO(TDataSet* data, TStrings* update, unsigned idAutre);

    const UnicodeString& GetBase() const { return base_; }
    cVK_Composant* Composant = nullptr;
    cVK_Amortissement* Amortissement = nullptr;

private:
    friend class cVK_UOPrevue;
    UnicodeString Table() const;
    TDateTime Depart() const;
    void AjusteAuPlan();
    CCurrency PartPremiereAnnee(short exercice, const TDateTime& start, const CCurrency& per) const;

    UnicodeString base_;
    std::vector<cVK_UOPrevue*> items_;  // owned
};
