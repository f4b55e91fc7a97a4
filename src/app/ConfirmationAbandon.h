#pragma once

#include "DialogueConfirmation.h"

// Asks before a window closes on a transfer under way; keeping the transfer is the default.
class ConfirmationAbandon final : public DialogueConfirmation {
    Q_OBJECT

public:
    explicit ConfirmationAbandon(QWidget* parent);

    // Shows the question modally; true when the user chose to abandon.
    static bool demander(QWidget* parent);
};
