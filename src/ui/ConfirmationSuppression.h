#pragma once

#include "DialogueConfirmation.h"

// Asks before a transfer is deleted on the server; cancelling is the default.
class ConfirmationSuppression final : public DialogueConfirmation {
    Q_OBJECT

public:
    ConfirmationSuppression(const QString& titreTransfert, QWidget* parent);

    static QString titre(const QString& titreTransfert);
};
