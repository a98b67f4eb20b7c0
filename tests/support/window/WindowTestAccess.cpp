#include "WindowTestAccess.h"

#include <QApplication>

namespace dwindle::test {

std::unique_ptr<TfrmDwindle> ShowWindow(const DwindleConfig& config)
{
    auto form = std::make_unique<TfrmDwindle>(config);
    form->show();
    form->activateWindow();
    QApplication::setActiveWindow(form.get());
    (void)QTest::qWaitForWindowExposed(form.get());
    (void)QTest::qWaitForWindowActive(form.get());
    return form;
}

void Click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace dwindle::test
