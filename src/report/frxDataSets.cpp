#include "report/frxDataSets.h"

#include <QAbstractItemModel>

TfrxUserDataSet::TfrxUserDataSet(QObject* owner) : TfrxDataSet(owner) {}

void TfrxUserDataSet::First() {
    TfrxDataSet::First();
    if (OnFirst)
        OnFirst();
}

void TfrxUserDataSet::Next() {
    TfrxDataSet::Next();
    if (OnNext)
        OnNext();
}

bool TfrxUserDataSet::FieldValue(const QString& field, Variant& value,
                                 Variant::Type& kind) const {
    value = Variant::Null();
    kind = Variant::Type::Null;
    for (const QString& f : Fields) {
        if (f.compare(field, Qt::CaseInsensitive) != 0)
            continue;
        if (OnGetValue && !Eof()) {
            Variant v;
            OnGetValue(f, v);
            if (!v.IsEmpty())
                value = v;
        }
        kind = value.type();
        return true;
    }
    return false;
}

TfrxItemModelDataSet::TfrxItemModelDataSet(QObject* owner) : TfrxDataSet(owner) {}

int TfrxItemModelDataSet::RecordCount() const { return m_model ? m_model->rowCount() : 0; }

QStringList TfrxItemModelDataSet::FieldNames() const {
    QStringList names;
    if (!m_model)
        return names;
    for (int c = 0; c < m_model->columnCount(); ++c)
        names.append(m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    return names;
}

Variant TfrxItemModelDataSet::FromQVariant(const QVariant& q, Variant::Type& kind) {
    switch (q.typeId()) {
    case QMetaType::Bool:
        kind = Variant::Type::Boolean;
        return Variant(q.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        kind = Variant::Type::Integer;
        return Variant(static_cast<std::int64_t>(q.toLongLong()));
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        kind = Variant::Type::Float;
        return Variant(q.toDouble());
    case QMetaType::QDate:
        kind = Variant::Type::DateTime;
        return Variant(q.toDate());
    case QMetaType::QTime:
        kind = Variant::Type::DateTime;
        return Variant(q.toTime());
    case QMetaType::QDateTime:
        kind = Variant::Type::DateTime;
        return Variant(q.toDateTime());
    case QMetaType::UnknownType:
        kind = Variant::Type::Null;
        return Variant::Null();
    default:
        kind = Variant::Type::String;
        return Variant(q.toString());
    }
}

bool TfrxItemModelDataSet::FieldValue(const QString& field, Variant& value,
                                      Variant::Type& kind) const {
    value = Variant::Null();
    kind = Variant::Type::Null;
    if (!m_model)
        return false;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const QString name = m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        if (name.compare(field, Qt::CaseInsensitive) != 0)
            continue;
        if (!Eof()) {
            // An empty cell (no data) reads as Null.
            value = FromQVariant(m_model->data(m_model->index(RecNo(), c), Role), kind);
        }
        return true;
    }
    return false;
}
