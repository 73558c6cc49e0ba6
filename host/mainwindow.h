#pragma once

// The host's main window: an MDI work area where the packages' screens open as sub-windows, a menu
// entry per screen, window arrangement, and the application server's address in the status bar.

#include "host/hosttexts.h"
#include "host/packageloader.h"

#include <QMainWindow>

class QMdiArea;
class QMenu;
class QAction;

namespace zrm::config {
class HostSettings;
}

namespace zrm::host {

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // Builds the window with its menus and shows the server address and operator of settings in the
    // status bar, in the language of settings. Fires nothing.
    explicit MainWindow(const config::HostSettings& settings, QWidget* parent = nullptr);

    // The work area the screens open in; the window's central widget.
    QMdiArea* mdiArea() const { return m_mdiArea; }

    // Adds one entry per screen of package to the "Telas" menu. Fires nothing.
    void addScreens(const LoadedPackage& package);

    // Opens screen through its package entry, as its menu entry does. A failure of the entry is
    // reported through reportProblem (a silent stop is not); returns whether the entry ran to its end.
    bool openScreen(const PackageScreen& screen);

    // Opens the screens whose codes are in codes (every screen when codes is empty), in menu order; a
    // failing one does not stop the others, and a code no loaded package has is reported through
    // reportProblem. Several screens are tiled across the work area, so that none hides another.
    void openScreens(const QStringList& codes = {});

    // Destroys every screen of the work area without asking it, and runs the deletions already
    // pending, so that no object whose code lives in a package remains. Used at exit, before the
    // packages' unload entries. Fires the screens' destroyed signals.
    void destroyScreens();

    // Where reportProblem writes: standard error instead of a message box (for runs without a user,
    // such as a screenshot or the offscreen platform).
    void setProblemsToStandardError(bool toStandardError) { m_problemsToStandardError = toStandardError; }

    // Shows text, a Portuguese sentence, to the user: a modal message box, or a line on standard error.
    // Fires problemReported.
    void reportProblem(const QString& text);

Q_SIGNALS:
    // A problem was reported to the user.
    void problemReported(const QString& text);

protected:
    // Closes every screen first; when one refuses, the window stays open. Quits the application when
    // the window closes.
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();

    HostTexts m_texts;
    QMdiArea* m_mdiArea = nullptr;
    QMenu* m_screensMenu = nullptr;
    QAction* m_noScreensAction = nullptr;
    QList<PackageScreen> m_screens;
    bool m_problemsToStandardError = false;
};

}  // namespace zrm::host
