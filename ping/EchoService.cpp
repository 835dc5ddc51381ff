#include "ping/EchoService.h"

#include "ping/LinuxEchoService.h"

#include <atomic>

namespace {
std::atomic<EchoService*> installedService{nullptr};
}

EchoService& EchoService::active()
{
    if (EchoService* service = installedService.load())
        return *service;
    return LinuxEchoService::instance();
}

EchoService* EchoService::install(EchoService* service)
{
    return installedService.exchange(service);
}
