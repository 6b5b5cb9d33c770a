#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;

namespace halvora::desktop {

/// One running halvora-desktop per user and display session. The first
/// instance listens on a local socket; a later start finds it, asks it to
/// show itself (the reopen of the application shell) and ends.
class SingleInstance final : public QObject {
  public:
    /// `name` identifies the socket; the default is per user.
    explicit SingleInstance(QString name = defaultName());
    ~SingleInstance() override;

    static QString defaultName();

    /// True when another instance runs and was asked to reopen.
    bool notifyRunningInstance();
    /// Listens for later starts; each calls `onReopen`. False when the
    /// socket cannot be made (the program then simply runs alone).
    bool listen(std::function<void()> onReopen);

  private:
    QString name_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> onReopen_;
};

}  // namespace halvora::desktop
