#include "CorvaneApp/kit/TrackListModel.hpp"

namespace corvane {

QVariant TrackListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    return entry(index.row()).text;
}

} // namespace corvane
