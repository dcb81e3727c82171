#include "DataSource.h"

#include <algorithm>

#include "Table.h"

namespace lw {

TDataSource::~TDataSource() {
  SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TTable* table) {
  if (FDataSet == table) return;
  if (FDataSet) FDataSet->DetachDataSource(this);
  FDataSet = table;
  if (FDataSet) FDataSet->AttachDataSource(this);
  NotifyChanged();
}

void TDataSource::AddLink(TDataLink* link) {
  if (std::find(FLinks.begin(), FLinks.end(), link) == FLinks.end()) FLinks.push_back(link);
}

void TDataSource::RemoveLink(TDataLink* link) {
  FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), link), FLinks.end());
}

void TDataSource::NotifyChanged() {
  // A link may detach itself while being told; walk a copy.
  auto links = FLinks;
  for (TDataLink* l : links) l->DataSetChanged();
}

void TDataSource::NotifyScrolled() {
  auto links = FLinks;
  for (TDataLink* l : links) l->DataSetScrolled();
}

}  // namespace lw
