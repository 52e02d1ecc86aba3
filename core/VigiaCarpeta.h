#pragma once
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class QSocketNotifier;
class QTimer;

// Watches one folder with a single kernel watch (never one per file, so a library of thousands of
// categories does not use up the system's watches) and tells which of its files changed: created,
// written, renamed, removed. Changes are gathered for a moment and told together.
class VigiaCarpeta : public QObject {
    Q_OBJECT
public:
    explicit VigiaCarpeta(const QString &carpeta, QObject *padre = nullptr);
    ~VigiaCarpeta() override;
    // False when the folder cannot be watched (missing, or no watch left): callers then look by
    // themselves now and then.
    bool vigilando() const { return wd_ >= 0; }
    QString carpeta() const { return carpeta_; }

signals:
    // Names (relative to the folder) of the files that changed. `todo` when the kernel lost count
    // (too many changes at once) or the folder itself went: everything should be looked at again.
    void cambiados(const QStringList &archivos, bool todo);

private:
    void leer();
    void vigilar();

    QString carpeta_;
    int fd_ = -1;
    int wd_ = -1;
    QSocketNotifier *aviso_ = nullptr;
    QTimer *junta_ = nullptr;
    QSet<QString> pendientes_;
    bool todo_ = false;
};
