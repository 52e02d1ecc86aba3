#pragma once

// Qt's own Spanish (file dialogs, the menus of text fields, standard buttons) and QScintilla's, from
// the translations the system installs with Qt (qt6-translations-l10n, libqscintilla2-qt6-l10n).
// Gives how many catalogues were loaded; a missing one leaves its texts in English, nothing worse.
int CargarTraducciones();
