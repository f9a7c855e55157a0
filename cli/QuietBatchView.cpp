#include "cli/QuietBatchView.h"

#include <QTimer>

namespace qm::cli {

void QuietBatchView::information(const QString&, std::function<void()> dismissed)
{
    if (dismissed)
        QTimer::singleShot(0, std::move(dismissed));
}

void QuietBatchView::error(const QString&, std::function<void()> dismissed)
{
    if (dismissed)
        QTimer::singleShot(0, std::move(dismissed));
}

} // namespace qm::cli
