#pragma once

#include <QObject>

#include <optional>

// Answers whether the application is drawn light or dark, and says when that changes.
// Qt 6.4 has no colour-scheme API: the answer comes from a test override, then the platform
// (macOS: the application's effective appearance; Linux: the desktop portal), then palette lightness.
class Apparence final : public QObject {
    Q_OBJECT

public:
    enum class Mode { clair, sombre };

    static Apparence& instance();

    Mode mode() const { return m_mode; }
    bool sombre() const { return m_mode == Mode::sombre; }

    // Tests pin one appearance; std::nullopt gives the platform its say again.
    void forcer(std::optional<Mode> mode);

Q_SIGNALS:
    void changee();

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    Apparence();
    // Platform part: start listening to the system's setting, and read it now when that is cheap.
    void ecouterPlateforme();
    std::optional<Mode> lirePlateforme() const;
    void setModePlateforme(std::optional<Mode> mode);
    void reevaluer();

    std::optional<Mode> m_force;
    std::optional<Mode> m_plateforme;
    Mode m_mode = Mode::clair;
};
