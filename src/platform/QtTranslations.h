#pragma once

class QCoreApplication;

namespace bg {

// Makes Qt's own texts speak Traditional Chinese, whatever the session's language: installs
// Qt's translation qtbase_zh_TW.qm from Qt's translations folder on the application, so standard
// buttons read 是, 否, 確定, 取消 and the folder picker is in Chinese throughout. Returns false
// when the translation is not installed (Debian package qt6-translations-l10n); Qt's texts then
// stay in English.
bool installQtTranslations(QCoreApplication &app);

} // namespace bg
