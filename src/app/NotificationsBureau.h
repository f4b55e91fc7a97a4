#pragma once

#include <QObject>
#include <QString>

#include <memory>

// The desktop's notices (Linux: the notification service on the session bus; macOS: the user notification
// centre). A notice published under a key already shown replaces it; activating a notice reports its token.
class NotificationsBureau final : public QObject {
    Q_OBJECT

public:
    explicit NotificationsBureau(QObject* parent = nullptr);
    ~NotificationsBureau() override;

    void publier(const QString& cle, const QString& titre, const QString& corps, const QString& token);

Q_SIGNALS:
    void activee(const QString& token);

private:
    struct Prive;
    std::unique_ptr<Prive> m_prive;
};
