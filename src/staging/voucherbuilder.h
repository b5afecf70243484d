#pragma once

#include "tally/transport.h"

#include <QString>

namespace staging {

class StagingStore;

// Builds the voucher staged for the company under the voucher id into one Tally import request, with the action
// on its VOUCHER element, sends it and returns the server's reply. After a failed build (reported once) nothing
// is sent and the reply is empty and NotSent; a failed send is reported by the send and comes back NoAnswer.
tally::TallyReply PostStagedVoucher(StagingStore &store, const QString &company, const QString &vchId,
                                    const QString &action);

} // namespace staging
