#include "PrivacyRulesEditor.hpp"

#include "Deskmap/Qt/Bridge/ViewModelBridge.hpp"
#include "Deskmap/Qt/Style/Styling.hpp"
#include "Deskmap/Qt/Text/ViewTexts.hpp"
#include "Deskmap/Qt/Widgets/Controls.hpp"
#include "DeskmapCore/Privacy/PrivacyRules.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

namespace deskmap::qt {

namespace {

QListWidget* ruleList(const QString& name, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setAccessibleName(name);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Four rows show; more scroll.
    list->setFixedHeight(list->fontMetrics().height() * 4 + 4 * list->spacing() + 12);
    return list;
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(Styling::headlineFont(label->font()));
    return label;
}

bool holds(const std::vector<std::string>& list, const std::string& text) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& each) { return Privacy::sameText(each, text); });
}

void showEntries(QListWidget* list, const std::vector<std::string>& entries) {
    QStringList texts;
    for (const auto& each : entries) {
        texts << QString::fromStdString(each);
    }
    QStringList shown;
    for (int row = 0; row < list->count(); ++row) {
        shown << list->item(row)->text();
    }
    if (shown != texts) { // keeps the selection when nothing changed
        const QSignalBlocker quiet(list);
        list->clear();
        list->addItems(texts);
    }
}

} // namespace

PrivacyRulesEditor::PrivacyRulesEditor(std::shared_ptr<DeskmapViewModel> model, QWidget* parent)
    : QWidget(parent), model_(std::move(model)), bridge_(new ViewModelBridge(model_, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* explanation = Styling::calloutLabel(ViewTexts::text(texts::privacyExplanation), this);
    Styling::makeSecondary(explanation);
    layout->addWidget(explanation);
    malformedNotice_ = Styling::calloutLabel({}, this);
    malformedNotice_->setTextFormat(Qt::PlainText); // names keys from a hand-edited file
    layout->addWidget(malformedNotice_);

    layout->addWidget(heading(ViewTexts::text(texts::appsNeverSent), this));
    apps_ = ruleList(ViewTexts::text(texts::appsNeverSent), this);
    layout->addWidget(apps_);
    appField_ = new QComboBox(this);
    appField_->setEditable(true);
    appField_->setInsertPolicy(QComboBox::NoInsert);
    appField_->setAccessibleName(ViewTexts::text(texts::appToWithhold));
    appField_->lineEdit()->setAccessibleName(ViewTexts::text(texts::appToWithhold));
    // A long app name on screen must not widen the window.
    appField_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    appField_->setMinimumContentsLength(12);
    appField_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* addAppButton =
        Controls::button(ViewTexts::text(texts::add), this, ViewTexts::text(texts::addApp));
    removeApp_ =
        Controls::button(ViewTexts::text(texts::remove), this, ViewTexts::text(texts::removeApp));
    layout->addWidget(Controls::row(this, {appField_, addAppButton, removeApp_}, false));
    connect(addAppButton, &QPushButton::clicked, this, [this] { addApp(); });
    connect(appField_->lineEdit(), &QLineEdit::returnPressed, this, [this] { addApp(); });
    connect(removeApp_, &QPushButton::clicked, this,
            [this] { removeSelected(apps_, &PrivacyRules::excludedApps); });

    layout->addWidget(heading(ViewTexts::text(texts::titlesNeverSent), this));
    patterns_ = ruleList(ViewTexts::text(texts::titlesNeverSent), this);
    layout->addWidget(patterns_);
    patternField_ = new QLineEdit(this);
    patternField_->setAccessibleName(ViewTexts::text(texts::titlePatternToWithhold));
    patternField_->setPlaceholderText(ViewTexts::text(texts::titlePatternHint));
    auto* addPattern = Controls::button(ViewTexts::text(texts::add), this,
                                        ViewTexts::text(texts::addTitlePattern));
    removePattern_ = Controls::button(ViewTexts::text(texts::remove), this,
                                      ViewTexts::text(texts::removeTitlePattern));
    layout->addWidget(Controls::row(this, {patternField_, addPattern, removePattern_}, false));
    connect(addPattern, &QPushButton::clicked, this, [this] { addTitlePattern(); });
    connect(patternField_, &QLineEdit::returnPressed, this, [this] { addTitlePattern(); });
    connect(removePattern_, &QPushButton::clicked, this,
            [this] { removeSelected(patterns_, &PrivacyRules::excludedTitlePatterns); });

    masking_ = new QCheckBox(ViewTexts::text(texts::maskIdentifiers), this);
    masking_->setAccessibleName(masking_->text());
    connect(masking_, &QCheckBox::clicked, this, [this](bool on) {
        model_->changePrivacyRules([on](PrivacyRules& rules) { rules.redactIdentifiers = on; });
        render(); // a failed change must not leave the box as clicked
    });
    layout->addWidget(masking_);
    auto* maskingText =
        Styling::calloutLabel(ViewTexts::text(texts::maskIdentifiersExplanation), this);
    Styling::makeSecondary(maskingText);
    layout->addWidget(maskingText);

    auto* restore = Controls::button(ViewTexts::text(texts::restoreDefaults), this,
                                     ViewTexts::text(texts::restoreDefaultPrivacyRules));
    connect(restore, &QPushButton::clicked, this, [this] { model_->restoreDefaultPrivacyRules(); });
    // Named apart from the provider section's button of the same text.
    auto* whatIsSent = Controls::button(ViewTexts::text(texts::showWhatIsSent), this,
                                        ViewTexts::text(texts::showWhatIsSentUnderRules));
    connect(whatIsSent, &QPushButton::clicked, this, &PrivacyRulesEditor::whatIsSentRequested);
    layout->addWidget(Controls::row(this, {restore, whatIsSent}));

    connect(apps_, &QListWidget::itemSelectionChanged, this, [this] { render(); });
    connect(patterns_, &QListWidget::itemSelectionChanged, this, [this] { render(); });
    connect(bridge_, &ViewModelBridge::changed, this, [this](ViewModelProperty property) {
        if (property == ViewModelProperty::privacyRules ||
            property == ViewModelProperty::snapshot) {
            render();
        }
    });
    render();
}

PrivacyRulesEditor::~PrivacyRulesEditor() = default;

void PrivacyRulesEditor::render() {
    const auto& rules = model_->privacyRules();
    showEntries(apps_, rules.excludedApps);
    showEntries(patterns_, rules.excludedTitlePatterns);
    masking_->setChecked(rules.redactIdentifiers);
    removeApp_->setEnabled(!apps_->selectedItems().isEmpty());
    removePattern_->setEnabled(!patterns_->selectedItems().isEmpty());

    QStringList notices;
    for (const auto& key : model_->malformedPrivacyKeys()) {
        notices << ViewTexts::text(texts::malformedPrivacyNotice(key));
    }
    malformedNotice_->setText(notices.join('\n'));
    malformedNotice_->setAccessibleName(notices.join('\n'));
    malformedNotice_->setVisible(!notices.isEmpty());
    offerApps();
}

void PrivacyRulesEditor::offerApps() {
    const auto& rules = model_->privacyRules();
    std::set<QString, bool (*)(const QString&, const QString&)> apps(
        [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    if (const auto& inventory = model_->snapshot().inventory) {
        for (const auto& space : inventory->spaces) {
            for (const auto& window : space.windows) {
                if (!window.app.empty() && !Privacy::isExcludedApp(window.app, rules)) {
                    apps.insert(QString::fromStdString(window.app));
                }
            }
        }
    }
    QStringList offered(apps.begin(), apps.end());
    QStringList current;
    for (int index = 0; index < appField_->count(); ++index) {
        current << appField_->itemText(index);
    }
    if (offered == current) {
        return;
    }
    const auto typed = appField_->currentText();
    appField_->clear();
    appField_->addItems(offered);
    appField_->setEditText(typed);
}

void PrivacyRulesEditor::addApp() {
    const auto app = appField_->currentText().trimmed().toStdString();
    if (!app.empty()) {
        model_->changePrivacyRules([&](PrivacyRules& rules) {
            if (!Privacy::isExcludedApp(app, rules)) { // withheld already, perhaps by its id
                rules.excludedApps.push_back(app);
            }
        });
    }
    appField_->setEditText({});
}

void PrivacyRulesEditor::addTitlePattern() {
    const auto pattern = patternField_->text().trimmed().toStdString();
    if (!pattern.empty()) {
        model_->changePrivacyRules([&](PrivacyRules& rules) {
            if (!holds(rules.excludedTitlePatterns, pattern)) {
                rules.excludedTitlePatterns.push_back(pattern);
            }
        });
    }
    patternField_->clear();
}

void PrivacyRulesEditor::removeSelected(QListWidget* list,
                                        std::vector<std::string> PrivacyRules::*field) {
    // By text, not row: the stored list may have changed since it was shown.
    std::vector<std::string> selected;
    for (const auto* item : list->selectedItems()) {
        selected.push_back(item->text().toStdString());
    }
    model_->changePrivacyRules([&](PrivacyRules& rules) {
        auto& entries = rules.*field;
        std::erase_if(entries, [&](const std::string& entry) {
            return std::find(selected.begin(), selected.end(), entry) != selected.end();
        });
    });
}

void PrivacyRulesEditor::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace deskmap::qt
