#include "platform/devise.h"

const CDevise _DeviseEuro(kCodeEuro, 1.0);
const CDevise _DeviseFranc(kCodeFranc, kTauxFranc);

bool CDevise::IsDefault() const {
    return Code == 0 || Code == kCodeEuro;
}

double CDevise::TauxEffectif() const {
    if (IsDefault()) return 1.0;
    if (Taux > 0) return Taux;
    return Code == kCodeFranc ? kTauxFranc : 1.0;
}

CCurrency DeviseConvToDef(const CDevise& from, const CCurrency& amount) {
    if (amount.IsNull()) return amount;
    double rate = from.TauxEffectif();
    if (rate == 1.0) return amount;
    return amount / rate;
}
