// The start screen `Vorbild`, which announces the program while it loads the database and
// serves as the info screen afterwards.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QLabel>

namespace startup {

class Vorbild : public QDialog
{
    Q_OBJECT

public:
    // Loads the start screen (the load handler sets the version line); hidden until shown.
    Vorbild();
    // The unload handler: the arrow pointer.
    ~Vorbild() override;

    QFrame *fraMainFrame;
    QWidget *picLogo;
    QLabel *lblProductName;
    QLabel *lblPlatform;
    QLabel *lblVersion;
    QLabel *lblCompanyProduct;
    QLabel *lblLicenseTo;
    QLabel *lblCopyright;

protected:
    bool event(QEvent *event) override;
};

// The version line: "Version " and major, minor and revision.
QString versionText();

} // namespace startup
