#include "framework/ui/boundary.h"

#include "framework/data/exceptions.h"
#include "framework/ui/formresources.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include <exception>

namespace zrm::ui {

namespace {

QWidget* dialogParent(QWidget* context) {
    if (context)
        return context->window();
    return QApplication::activeWindow();
}

// Showing the box can itself fail (out of memory while building it); the boundary must still not let
// anything escape into the event machinery.
void showErrorBoxNoThrow(QWidget* context, const QString& message) noexcept {
    try {
        showErrorBox(dialogParent(context), message);
    } catch (...) {
    }
}

}  // namespace

bool guardUserAction(QWidget* context, const std::function<void()>& action) noexcept {
    try {
        action();
        return true;
    } catch (const EAbort&) {
        return false;
    } catch (const Exception& error) {
        showErrorBoxNoThrow(context, error.Message());
    } catch (const std::exception& error) {
        showErrorBoxNoThrow(context, QString::fromUtf8(error.what()));
    } catch (...) {
        showErrorBoxNoThrow(context, FormResources::translate(QStringLiteral(
                                         "Ocorreu um erro inesperado. A operação foi interrompida.")));
    }
    return false;
}

void showErrorBox(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Critical, FormResources::translate(QStringLiteral("Erro")), message,
                    QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

}  // namespace zrm::ui
