#include "RequestPreviewView.hpp"

#include "Deskmap/Qt/Bridge/ViewModelBridge.hpp"
#include "Deskmap/Qt/Style/Styling.hpp"
#include "Deskmap/Qt/Text/ViewTexts.hpp"
#include "DeskmapCore/Output/OutgoingRequest.hpp"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace deskmap::qt {

namespace {

APIProvider route(const DeskmapViewModel& model) {
    switch (model.selectedSummaryProvider()) {
    case SummaryProvider::openAI:
        return APIProvider::openAI();
    case SummaryProvider::openRouter:
        return APIProvider::openRouter();
    case SummaryProvider::local:
        return APIProvider::local(model.localServerBaseURL());
    case SummaryProvider::installedClient:
        break;
    }
    return APIProvider::installedClient(model.selectedInstalledClient());
}

QString heading(const DeskmapViewModel& model) {
    const auto provider = model.selectedSummaryProvider();
    const auto who = provider == SummaryProvider::installedClient
                         ? ViewTexts::text(displayName(model.selectedInstalledClient()))
                         : ViewTexts::text(displayName(provider));
    QString text = ViewTexts::text(texts::whatIsSentHeading).arg(who);
    if (usesAPIKey(provider)) {
        text += ViewTexts::text(texts::apiKeyNotShown);
    }
    return text;
}

} // namespace

RequestPreviewView::RequestPreviewView(std::shared_ptr<DeskmapViewModel> model, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(std::move(model)),
      bridge_(new ViewModelBridge(model_, this)), heading_(Styling::calloutLabel({}, this)),
      text_(new QPlainTextEdit(this)) {
    setWindowTitle(ViewTexts::text(texts::whatIsSentTitle));
    resize(640, 560);
    Styling::makeSecondary(heading_);
    text_->setReadOnly(true);
    text_->setAccessibleName(ViewTexts::text(texts::whatIsSentName));
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(10);
    layout->addWidget(heading_);
    layout->addWidget(text_, 1);
    connect(bridge_, &ViewModelBridge::changed, this, [this](ViewModelProperty property) {
        if (property == ViewModelProperty::snapshot ||
            property == ViewModelProperty::selectedSummaryProvider ||
            property == ViewModelProperty::selectedInstalledClient ||
            property == ViewModelProperty::summaryModel) {
            render();
        }
    });
    render();
}

QString RequestPreviewView::previewText(const DeskmapViewModel& model) {
    const auto& snapshot = model.snapshot();
    if (!snapshot.inventory || !snapshot.sent) {
        return ViewTexts::text(texts::nothingToSend);
    }
    const auto provider = model.selectedSummaryProvider();
    const auto chosen = provider == SummaryProvider::installedClient
                            ? std::nullopt
                            : std::optional(model.summaryModel(provider));
    return ViewTexts::text(
        OutgoingRequest::describe(route(model), snapshot.sent->inventory, chosen) +
        OutgoingRequest::withheld(*snapshot.sent));
}

void RequestPreviewView::render() {
    heading_->setText(heading(*model_));
    const auto text = previewText(*model_);
    if (text_->toPlainText() != text) {
        text_->setPlainText(text);
    }
}

} // namespace deskmap::qt
