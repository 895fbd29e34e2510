// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The display field `edhyouj`: a read-only line edit of a type of its own,
// so that what screen readers are told about it (accessibility.cpp) is keyed
// on the type, not on names.

#include <QLineEdit>

namespace numira {

class DisplayField : public QLineEdit {
  Q_OBJECT

 public:
  using QLineEdit::QLineEdit;
};

}  // namespace numira
