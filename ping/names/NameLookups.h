#pragma once

#include "ping/names/Resolver.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// Name lookups away from the event loop. getaddrinfo and getnameinfo block
// as long as the name servers take, forty seconds and more when they never
// answer, so they run on a few threads of their own. A question that is
// already being asked is not asked again: everyone who needs its answer in
// the meantime shares it. So threads and descriptors stay bounded whatever
// the name servers do, and an echo to an address never waits behind a name.
//
// Callers are all on one thread, the one that first asks; each answer runs
// there from the event loop, and not at all once its context is gone.
class NameLookups {
public:
    using NameAnswer = std::function<void(const std::optional<Resolver::NameEntry>& entry, std::uint32_t error)>;
    using AddressAnswer = std::function<void(const std::optional<QString>& name)>;

    static void lookUpName(const QString& name, Resolver::Families families, QObject* context, NameAnswer answer);

    // address: the four or sixteen bytes of an IPv4 or IPv6 address. A
    // cached answer comes at once, from inside the call.
    static void lookUpAddress(const QByteArray& address, QObject* context, AddressAnswer answer);

    // The most lookups that run at once, of names and of addresses.
    static constexpr int MaxNameThreads = 4;
    static constexpr int MaxAddressThreads = 2;
};
