// kf_engine_simulator: the engine simulator as a program, for the demo and for trying by hand.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "EngineSimulator.h"

namespace {

int Usage()
{
    std::cerr << "usage: kf_engine_simulator [--port N] [--delay-ms N] [--total N]\n"
                 "  --port 0 (the default) picks a free port; the port is printed on the first line.\n"
                 "  Listens on 127.0.0.1 only. The keywords \"none\" and \"empty\" give no results.\n";
    return 2;
}

bool ReadNumber(const char* text, long long& value)
{
    char* end = nullptr;
    value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0';
}

} // namespace

int main(int argc, char** argv)
{
    long long port = 0;
    long long delay = 0;
    kf::sim::SimulatorOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long long value = 0;
        if (i + 1 >= argc || !ReadNumber(argv[i + 1], value)) {
            return Usage();
        }
        ++i;
        if (arg == "--port" && value >= 0 && value <= 65535) {
            port = value;
        } else if (arg == "--delay-ms" && value >= 0 && value <= 600000) {
            delay = value;
        } else if (arg == "--total" && value >= 0) {
            options.total = value;
        } else {
            return Usage();
        }
    }
    options.delayMs = static_cast<int>(delay);

    // The answering threads inherit the blocked set, so only sigwait below sees these signals.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    kf::sim::EngineSimulator simulator(options);
    const int chosen = simulator.Start("127.0.0.1", static_cast<int>(port));
    if (chosen < 0) {
        std::cerr << "kf_engine_simulator: cannot listen on 127.0.0.1:" << port << "\n";
        return 1;
    }
    std::cout << chosen << std::endl;
    std::cerr << "kf_engine_simulator: listening on " << simulator.BaseUrl() << "\n";

    int received = 0;
    sigwait(&signals, &received);
    simulator.Stop();
    return 0;
}
