// An exit: one disposal event taking one or several assets out of the register on one date, for
// one overall price (table "VKS"). It owns the list of its assets; each disposed component carries
// its own disposal record (cVK_Cession).
#pragma once

#include <memory>

#include "platform/currency.h"
#include "platform/datetime.h"
#include "platform/devise.h"
#include "units/vkbase.h"
#include "units/vktypes.h"

class cVK_ListeBiens;

// Names of the exit reasons, indexed by VK_MotifSortie.
extern const char* const cszNomMotifSortie[6];

class cVK_Sortie : public cVK_Primaire {
public:
    static void CreerBase();
    explicit cVK_Sortie(unsigned id);
    ~cVK_Sortie() override;

    bool BD_Inserer() override;
    bool BD_Update() override;
    bool BD_Supprimer(bool confirm) override;
    using cVK_Primaire::Assign;
    virtual void Assign(const cVK_Sortie* source);

    cVK_ListeBiens* GetListeBiens() const { return biens_.get(); }
    UnicodeString GetNomMotifSortie() const;

    TDateTime DATESORTIE;
    TDateTime DATE_FIN_UTILISATION;
    CCurrency PRIXHT;
    CDevise Devise{0, -1.0};
    VK_MotifSortie MOTIFSORTIE = vmAucun;
    bool TVA_DOIT_ETRE_REVERSEE = false;
    TDateTime DATE_ECR;

private:
    std::unique_ptr<cVK_ListeBiens> biens_;
};
