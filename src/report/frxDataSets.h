#pragma once
// Data sets a program fills: TfrxUserDataSet (a record count and a callback that answers each
// field of the current record) and TfrxItemModelDataSet (the rows of a Qt item model, its
// columns being the fields, named by their horizontal header texts). A report finds them by
// their UserName, so `[Customers."Name"]` reads the Name field of the current record; a master
// data band walks them record by record.

#include "report/frxClass.h"

#include <QPointer>
#include <QStringList>

#include <functional>

#include <QAbstractItemModel>

class TfrxUserDataSet : public TfrxDataSet {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxUserDataSet(QObject* owner = nullptr);

    // The field names, in order.
    QStringList Fields;
    // The number of records.
    int RangeEndCount = 0;
    // Answers `field` (as listed in Fields) for the current record, RecNo(); a value left
    // empty reads as Null.
    std::function<void(const QString& field, Variant& value)> OnGetValue;
    // Optional: told when the walk starts and moves on, for a program that keeps a cursor.
    std::function<void()> OnFirst;
    std::function<void()> OnNext;

    void First() override;
    void Next() override;
    int RecordCount() const override { return RangeEndCount; }
    QStringList FieldNames() const override { return Fields; }
    bool FieldValue(const QString& field, Variant& value, Variant::Type& kind) const override;
};

class TfrxItemModelDataSet : public TfrxDataSet {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxItemModelDataSet(QObject* owner = nullptr);

    QAbstractItemModel* Model() const { return m_model.data(); }
    void SetModel(QAbstractItemModel* model) { m_model = model; }
    // The role values are read with.
    int Role = Qt::DisplayRole;

    int RecordCount() const override;
    QStringList FieldNames() const override;
    bool FieldValue(const QString& field, Variant& value, Variant::Type& kind) const override;

    // A Qt value as a report value, with its kind.
    static Variant FromQVariant(const QVariant& q, Variant::Type& kind);

private:
    QPointer<QAbstractItemModel> m_model;
};
