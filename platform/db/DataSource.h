#pragma once
// TDataSource joins one data set to any number of data links; a data link is
// what a grid or a data-aware control holds to follow the data set. Data
// events travel data set -> data sources -> links, which turn them into the
// virtual notifications below.

#include <vector>

#include "platform/classes/Events.h"
#include "platform/db/DataSet.h"

using TDataChangeEvent = std::function<void(TObject* Sender, TField* Field)>;

class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* owner);
    ~TDataSource() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* value);
    // A disabled source reports its data set as inactive to its links.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool AutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool value) { FAutoEdit = value; }
    // dsInactive unless enabled with an active data set.
    TDataSetState State() const { return FState; }
    // Puts the data set into dsEdit when AutoEdit allows it and it browses.
    void Edit();
    bool IsLinkedTo(TDataSet* dataSet) const;

    TDataChangeEvent OnDataChange;
    TNotifyEvent OnStateChange;
    TNotifyEvent OnUpdateData;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, std::intptr_t info);
    void NotifyDataLinks(TDataEvent event, std::intptr_t info);
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);
    void SetStateValue(TDataSetState value);
    void UpdateState();

    TDataSet* FDataSet = nullptr;
    std::vector<TDataLink*> FDataLinks;
    TDataSetState FState = dsInactive;
    bool FEnabled = true;
    bool FAutoEdit = true;
};

class TDataLink : public TPersistent {
public:
    TDataLink();
    ~TDataLink() override;

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* value);
    TDataSet* DataSet() const;
    bool Active() const { return FActive; }
    bool Editing() const { return FEditing; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);

    // The link's own window of BufferCount rows inside the data set's
    // window; ActiveRecord is the current row within it.
    int ActiveRecord() const;
    void SetActiveRecord(int value);
    int BufferCount() const { return FBufferCount; }
    void SetBufferCount(int value);
    int RecordCount() const;

    // Puts the data set into edit mode unless read-only; true when editing.
    bool Edit();
    // Asks the link (and its siblings) to write pending edits into the record.
    void UpdateRecord();
    int MoveBy(int distance);

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    // Distance the data set's buffers moved (negative: towards the end).
    virtual void DataSetScrolled(int distance) { (void)distance; DataSetChanged(); }
    // Sets *field to nullptr when this link focused its control.
    virtual void FocusControl(TField** field) { (void)field; }
    virtual void EditingChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* field) { (void)field; }
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    friend class TDataSet;
    void DataEvent(TDataEvent event, std::intptr_t info);
    void UpdateState();
    void SetActive(bool value);
    void SetEditing(bool value);
    void UpdateRange();

    TDataSource* FDataSource = nullptr;
    int FFirstRecord = 0;
    int FBufferCount = 1;
    bool FActive = false;
    bool FEditing = false;
    bool FReadOnly = false;
    bool FUpdating = false;
};
