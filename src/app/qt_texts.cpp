// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/qt_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace numira {

bool LoadQtTexts(const QLocale& locale) {
  // Parented to the application: it lives as long as the texts it gives.
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

ReadOnlyTextMenu ReadOnlyTextMenuTexts() {
  return {QCoreApplication::translate("QLineEdit", "&Copy"), QCoreApplication::translate("QLineEdit", "Select All")};
}

}  // namespace numira
