#include "ProviderEditor.hpp"

#include "Deskmap/Qt/Bridge/ViewModelBridge.hpp"
#include "Deskmap/Qt/Text/ViewTexts.hpp"
#include "Deskmap/Qt/Widgets/ClientStatusRow.hpp"
#include "Deskmap/Qt/Widgets/Controls.hpp"
#include "Deskmap/Qt/Widgets/SegmentedPicker.hpp"
#include "Deskmap/Qt/Widgets/StatusSymbol.hpp"
#include "DeskmapCore/API/Endpoints.hpp"
#include "DeskmapCore/API/LocalServerAddress.hpp"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace deskmap::qt {

using Controls::button;
using Controls::row;
using Controls::setValue;
using Controls::valueLabel;

ProviderEditor::ProviderEditor(std::shared_ptr<DeskmapViewModel> model,
                               ProviderEditorOptions options, QWidget* parent)
    : QWidget(parent), model_(std::move(model)), options_(options),
      bridge_(new ViewModelBridge(model_, this)) {
    buildControls();
    if (options_.layout == ProviderEditorOptions::Layout::labelledRows) {
        buildLabelledRows();
    } else {
        buildCompact();
    }
    connect(bridge_, &ViewModelBridge::changed, this, [this] { render(); });
    render();
}

ProviderEditor::~ProviderEditor() = default;

void ProviderEditor::buildControls() {
    providerPicker_ =
        new SegmentedPicker(ViewTexts::text(texts::provider), ViewTexts::providerNames(), this);
    connect(providerPicker_, &SegmentedPicker::chosen, this, [this](int index) {
        const auto provider = allSummaryProviders.at(static_cast<std::size_t>(index));
        // The key typed so far belongs to the provider it was typed for.
        if (provider != model_->selectedSummaryProvider()) {
            keyField_->clear();
        }
        model_->selectSummaryProvider(provider);
    });

    clientPicker_ = new QComboBox(this);
    clientPicker_->setAccessibleName(ViewTexts::text(texts::client));
    clientPicker_->addItems(ViewTexts::installedClientNames());
    connect(clientPicker_, &QComboBox::activated, this, [this](int index) {
        model_->selectInstalledClient(allInstalledClients.at(static_cast<std::size_t>(index)));
    });
    checkAvailability_ = button(ViewTexts::text(texts::checkAvailability), this);
    connect(checkAvailability_, &QPushButton::clicked, this,
            [this] { model_->verifyInstalledClient(); });
    clientStatus_ = new ClientStatusRow(this);

    modelField_ = new QComboBox(this);
    modelField_->setEditable(true);
    modelField_->setInsertPolicy(QComboBox::NoInsert);
    // Completing would turn a prefix of the default into the default.
    modelField_->setCompleter(nullptr);
    modelField_->setAccessibleName(ViewTexts::text(texts::model));
    modelField_->lineEdit()->setAccessibleName(ViewTexts::text(texts::model));
    modelField_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    const auto chooseModel = [this] {
        const auto provider = model_->selectedSummaryProvider();
        if (provider != SummaryProvider::installedClient) {
            model_->setSummaryModel(provider, modelField_->currentText().toStdString());
        }
    };
    connect(modelField_->lineEdit(), &QLineEdit::editingFinished, this, chooseModel);
    connect(modelField_, &QComboBox::activated, this, chooseModel);

    keyField_ = new QLineEdit(this);
    keyField_->setEchoMode(QLineEdit::Password);
    keyField_->setPlaceholderText(ViewTexts::text(texts::apiKey));
    keyField_->setAccessibleName(ViewTexts::text(texts::apiKey));
    // Nothing typed here may reach another program.
    keyField_->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData |
                                   Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
    keyField_->setContextMenuPolicy(Qt::NoContextMenu);
    connect(keyField_, &QLineEdit::textChanged, this, [this] { renderKeyButtons(); });
    if (options_.returnInKeyFieldSaves) {
        connect(keyField_, &QLineEdit::returnPressed, this, [this] { saveKey(); });
    }
    save_ = button(ViewTexts::text(texts::save), this);
    connect(save_, &QPushButton::clicked, this, [this] { saveKey(); });
    clear_ = button(ViewTexts::text(texts::clear), this);
    connect(clear_, &QPushButton::clicked, this, [this] {
        model_->clearKey();
        keyField_->clear();
    });
    serverField_ = new QLineEdit(this);
    serverField_->setAccessibleName(ViewTexts::text(texts::serverAddress));
    serverField_->setPlaceholderText(QString::fromUtf8(Endpoints::defaultLocalBaseURL));
    connect(serverField_, &QLineEdit::editingFinished, this, [this] {
        addressRefused_ = !model_->setLocalServerAddress(serverField_->text().toStdString());
        refusedOver_ = ViewTexts::text(model_->localServerBaseURL());
        if (!addressRefused_) {
            listLocalModels();
        }
        renderServer();
    });
    serverNotice_ = new QLabel(this);
    serverNotice_->setWordWrap(true);
    serverNotice_->setTextFormat(Qt::PlainText); // a server's words are data
    serverNotice_->setAccessibleName(ViewTexts::text(texts::serverReach));
    // Tab follows the rows (address, model, key), not the order of creation.
    QWidget::setTabOrder(serverField_, modelField_);
    QWidget::setTabOrder(modelField_, keyField_);
}

void ProviderEditor::buildLabelledRows() {
    form_ = new QFormLayout(this);
    form_->setContentsMargins(0, 0, 0, 0);
    form_->addRow(ViewTexts::text(texts::provider), providerPicker_);
    form_->addRow(ViewTexts::text(texts::client), clientPicker_);
    clientModel_ = valueLabel(ViewTexts::text(texts::model), this);
    form_->addRow(ViewTexts::text(texts::model), clientModel_);
    form_->addRow(ViewTexts::text(texts::clientStatus), clientStatus_);
    checkRow_ = row(this, {checkAvailability_});
    form_->addRow(QString(), checkRow_);
    form_->addRow(ViewTexts::text(texts::serverLabel), serverField_);
    form_->addRow(QString(), serverNotice_);
    form_->addRow(ViewTexts::text(texts::model), modelField_);
    form_->addRow(ViewTexts::text(texts::apiKey), keyField_);
    keyButtons_ = row(this, {save_, clear_});
    form_->addRow(QString(), keyButtons_);
}

void ProviderEditor::buildCompact() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    layout->addWidget(providerPicker_);

    clientControls_ = new QWidget(this);
    auto* client = new QVBoxLayout(clientControls_);
    client->setContentsMargins(0, 0, 0, 0);
    client->addWidget(row(clientControls_, {clientPicker_, checkAvailability_}));
    clientStatus_->setParent(clientControls_);
    client->addWidget(clientStatus_);
    layout->addWidget(clientControls_);

    keyControls_ = new QWidget(this);
    auto* key = new QVBoxLayout(keyControls_);
    key->setContentsMargins(0, 0, 0, 0);
    keyField_->setParent(keyControls_); // the first of the fields, as created
    serverField_->setParent(keyControls_);
    serverNotice_->setParent(keyControls_);
    key->addWidget(serverField_);
    key->addWidget(serverNotice_);
    key->addWidget(keyField_);
    auto* modelLabel = new QLabel(ViewTexts::text(texts::model), keyControls_);
    key->addWidget(row(keyControls_, {modelLabel, modelField_}, false));
    keySymbol_ = new StatusSymbol(keyControls_);
    keyStatus_ = new QLabel(keyControls_);
    keyStatus_->setAccessibleName(ViewTexts::text(texts::keyStatus));
    auto* buttons = row(keyControls_, {save_, clear_});
    auto* buttonsLayout = static_cast<QHBoxLayout*>(buttons->layout());
    keySymbol_->setParent(buttons);
    keyStatus_->setParent(buttons);
    buttonsLayout->addWidget(keySymbol_);
    buttonsLayout->addWidget(keyStatus_);
    key->addWidget(buttons);
    layout->addWidget(keyControls_);
}

void ProviderEditor::render() {
    const auto& model = *model_;
    const auto provider = model.selectedSummaryProvider();
    const bool installed = provider == SummaryProvider::installedClient;
    const bool local = provider == SummaryProvider::local;
    providerPicker_->setCurrentIndex(static_cast<int>(provider));
    const auto client = model.selectedInstalledClient();
    clientPicker_->setCurrentIndex(static_cast<int>(client));
    clientStatus_->setState(model.installedClientVerification());
    checkAvailability_->setEnabled(!ViewTexts::isChecking(model.installedClientVerification()));
    if (form_) {
        form_->setRowVisible(clientPicker_, installed);
        form_->setRowVisible(clientModel_, installed);
        form_->setRowVisible(clientStatus_, installed);
        form_->setRowVisible(checkRow_, installed);
        form_->setRowVisible(serverField_, local);
        form_->setRowVisible(serverNotice_, local);
        form_->setRowVisible(modelField_, !installed);
        form_->setRowVisible(keyField_, !installed);
        form_->setRowVisible(keyButtons_, !installed);
        setValue(clientModel_, ViewTexts::text(deskmap::model(client)));
        keyField_->setAccessibleName(ViewTexts::text(credentialLabel(provider)));
    } else {
        clientControls_->setVisible(installed);
        keyControls_->setVisible(!installed);
        keySymbol_->setDone(model.firstTimeSetupReadiness().providerConnected);
        keyStatus_->setText(ViewTexts::keyPresence(model.savedCredentialPresence()));
        keyStatus_->setAccessibleDescription(keyStatus_->text());
        serverField_->setVisible(local);
        serverNotice_->setVisible(local);
    }
    keyField_->setPlaceholderText(ViewTexts::text(local ? texts::optionalAPIKey : texts::apiKey));
    if (local) {
        renderServer();
    }
    if (!installed) {
        renderModel(provider);
    }
    renderKeyButtons();
}

void ProviderEditor::renderModel(SummaryProvider provider) {
    // The default is offered (a local server's: what it lists); what is
    // being typed is left alone.
    const auto offered = provider == SummaryProvider::local
                             ? localModels_
                             : QStringList{ViewTexts::text(deskmap::model(provider))};
    QStringList shown;
    for (int index = 0; index < modelField_->count(); ++index) {
        shown << modelField_->itemText(index);
    }
    if (shown != offered) {
        modelField_->clear();
        modelField_->addItems(offered);
    }
    if (!modelField_->lineEdit()->hasFocus()) {
        modelField_->setEditText(ViewTexts::text(model_->summaryModel(provider)));
    }
}

void ProviderEditor::renderServer() {
    const auto baseURL = ViewTexts::text(model_->localServerBaseURL());
    addressRefused_ = addressRefused_ && baseURL == refusedOver_;
    // A refused address stays as typed, with the reason, until it is mended.
    if (!serverField_->hasFocus() && !addressRefused_) {
        serverField_->setText(baseURL);
    }
    if (listedFrom_ != baseURL) {
        listLocalModels();
    }
    const auto address = LocalServerAddress::parse(model_->localServerBaseURL());
    auto notice = ViewTexts::text(address ? address->reach() : texts::localServerAddressInvalid);
    if (localModelsFailure_) {
        notice += "\n" + *localModelsFailure_;
    }
    if (addressRefused_) {
        notice = ViewTexts::text(texts::localServerAddressInvalid) + "\n" + notice;
    }
    serverNotice_->setText(notice);
    serverNotice_->setAccessibleDescription(notice);
}

void ProviderEditor::listLocalModels() {
    listedFrom_ = ViewTexts::text(model_->localServerBaseURL());
    QPointer<ProviderEditor> self(this);
    model_->listLocalModels(
        [self](std::vector<std::string> models, std::optional<std::string> failure) {
            if (!self) {
                return;
            }
            self->localModels_.clear();
            for (const auto& each : models) {
                self->localModels_ << ViewTexts::text(each);
            }
            self->localModelsFailure_.reset();
            if (failure) {
                self->localModelsFailure_ = ViewTexts::text(*failure);
            }
            self->render();
        });
}

void ProviderEditor::renderKeyButtons() {
    save_->setEnabled(!keyField_->text().trimmed().isEmpty());
    clear_->setEnabled(model_->savedCredentialPresence() != SavedCredentialPresence::notSaved);
}

void ProviderEditor::saveKey() {
    if (keyField_->text().trimmed().isEmpty()) {
        return;
    }
    // Passed as typed: the view model decides what a usable key is.
    model_->saveKey(keyField_->text().toStdString(), options_.saveAsksForTitleAccess);
    keyField_->clear();
}

bool ProviderEditor::canSave() const {
    return save_->isVisibleTo(window()) && save_->isEnabled();
}

bool ProviderEditor::keyFieldHasFocus() const {
    return keyField_->hasFocus();
}

} // namespace deskmap::qt
