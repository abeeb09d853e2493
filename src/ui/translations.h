#pragma once
// Qt's own texts (message box buttons, file and colour dialogs, edit box
// menus) in Japanese whatever the user's locale: the program's messages
// name their buttons ("[はい]", "[いいえ]").

class QCoreApplication;

namespace fv {

// Loads Qt's Japanese catalogue into the application; false when it is not
// installed (Qt then speaks English).
bool InstallJapaneseTranslations(QCoreApplication& app);

}  // namespace fv
