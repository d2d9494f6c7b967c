#pragma once
// Import of the establishment file "ZELTO_ETS.XML" of the per-user folder.

// Rebuilds ConfigServeurs: one zeroed entry 0 (the configuration already held in ConfigPrg),
// then one entry per establishment Ets1 … Ets60 with a centre number above 0. Throws
// ErreurConfig when the document cannot be used.
void LireFichierEtablissements();
