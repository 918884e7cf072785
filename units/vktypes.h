// Enumerations shared across the engine's units.
#pragma once

// State of an asset version.
enum VK_Etats {
    veAucun = 0,
    veImportation = 1,
    veInitialisation = 2,
    veMiseAuxNormes = 3,
    veModification = 4,
    veCession = 5,
};

// When a new asset reaches the database: at once (its row, then each component, plan and detail as it
// is made, each later change an update), or at its first save, in one insert per object, as a register
// brought in from a scenario or a spreadsheet is written.
enum class VK_Insertion {
    Immediate,
    AuPremierEnregistrement,
};

// Complementary state of an asset version.
enum VK_EtatsCplmt {
    vcAucun = 0,
    vcEnCours = 1,
    vcValide = 2,
    vcCloture = 3,
};

// Actions of the host, as far as locking is concerned (only their numbers matter).
enum VK_Actions : int {
    vaAction3 = 3,
    vaMiseAuxNormes = 4,
    vaAction5 = 5,
    vaModification = 6,
    vaAction13 = 13,
    vaAction17 = 17,
    vaAction18 = 18,
    vaAction19 = 19,
    vaDotationsExercice = 21,
};

// Asset types.
enum VK_Biens : int {
    vbNouveau = 1,
    vbAncien = 2,
    vbFamille = 5,
};

// Vehicle types.
enum VK_TypeVehicule : int {
    vtNonConcerne = 0,
    vtCamion = 1,
    vtMoto = 2,
    vtVelomoteur = 3,
    vtVoitureTourisme = 4,
    vtVoitureUtilitaire = 5,
};

// Currency of the recovered VAT of an acquisition detail: 0 euro, any other value franc.
enum VK_DeviseOrigineTva : int {
    vdtEuro = 0,
    vdtFranc = 1,
};

// Reasons of an exit.
enum VK_MotifSortie : int {
    vmAucun = 0,
    vmCession = 1,
    vmHorsService = 2,
    vmDestruction = 3,
    vmMiseAuRebut = 4,
    vmMiseEnNonValeur = 5,
};

// Kinds of depreciation plan (bit flags).
enum VK_TypeAmort : int {
    taAucun = 0,
    taComptable = 1,
    taFiscal = 2,
    taConsolide = 4,
};

// Depreciation methods.
enum VK_MethodeAmort : int {
    maNonAmortissable = 0,
    maLineaire = 1,
    maDegressif = 2,
    maUnitesOeuvre = 3,
    maManuel = 4,
    maLogiciels = 5,
    maVehiculeElectrique = 6,
    maEconomieEnergie = 7,
    maAntiBruit = 8,
    maAntiPollution = 9,
    maDegressifMajore = 10,
    maRechercheScientifique = 11,
    maIdemComptable = 12,
    maIdemFiscal = 13,
};
