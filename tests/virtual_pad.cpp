// Preloaded into the real game by an end-to-end test: a game controller that
// the test plays. When the game starts SDL's game-controller part and
// VIRTUAL_PAD_COMMANDS names a file, SDL's virtual joystick is attached as a
// controller of the standard layout, and the lines the test appends to that
// file act on it, one line for each time the game polls SDL:
//   press BUTTON, release BUTTON  (SDL's names: a, b, start, dpup, dpleft, ...)
//   axis AXIS VALUE               (leftx, lefty, lefttrigger, ...; -32768 to 32767)
//   unplug, plug                  (the controller goes, and comes again)
// One line a poll, on the game's own thread: a press and its release always
// reach the game as two changes, and nothing races its reads. The first
// poll takes none: it is where the game opens the controller, and a change
// before that would be lost.
#include <SDL.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::FILE* commands;
SDL_Joystick* joystick;
bool firstPoll = true;
char line[256];
std::size_t lineLength;

// Attaches the controller with every button and axis of the standard layout,
// so that virtual button and axis n are SDL's controller button and axis n.
void plug() {
    if (joystick != nullptr) return;
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Virtual test pad";
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    joystick = index < 0 ? nullptr : SDL_JoystickOpen(index);
    if (joystick == nullptr) {
        std::fprintf(stderr, "virtual_pad: %s\n", SDL_GetError());
        return;
    }
    // The triggers rest at the bottom of their travel.
    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_JOYSTICK_AXIS_MIN);
    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, SDL_JOYSTICK_AXIS_MIN);
}

void unplug() {
    if (joystick == nullptr) return;
    const SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
    SDL_JoystickClose(joystick);
    joystick = nullptr;
    for (int index = 0; index < SDL_NumJoysticks(); ++index) {
        if (SDL_JoystickGetDeviceInstanceID(index) == id) SDL_JoystickDetachVirtual(index);
    }
}

void act(const char* command) {
    char verb[16] = "", name[32] = "";
    int value = 0;
    const int words = std::sscanf(command, "%15s %31s %d", verb, name, &value);
    if (std::strcmp(verb, "plug") == 0) return plug();
    if (std::strcmp(verb, "unplug") == 0) return unplug();
    const bool press = std::strcmp(verb, "press") == 0;
    if (joystick != nullptr && words == 2 && (press || std::strcmp(verb, "release") == 0)) {
        const SDL_GameControllerButton button = SDL_GameControllerGetButtonFromString(name);
        if (button != SDL_CONTROLLER_BUTTON_INVALID && SDL_JoystickSetVirtualButton(joystick, button, press) == 0) return;
    }
    if (joystick != nullptr && words == 3 && std::strcmp(verb, "axis") == 0) {
        const SDL_GameControllerAxis axis = SDL_GameControllerGetAxisFromString(name);
        if (axis != SDL_CONTROLLER_AXIS_INVALID && SDL_JoystickSetVirtualAxis(joystick, axis, value) == 0) return;
    }
    std::fprintf(stderr, "virtual_pad: cannot '%s'\n", command);
}

// The next whole line the test has appended, if any.
bool nextLine() {
    int c;
    while ((c = std::getc(commands)) != EOF) {
        if (c == '\n') {
            line[lineLength] = '\0';
            lineLength = 0;
            return true;
        }
        if (lineLength + 1 < sizeof line) line[lineLength++] = static_cast<char>(c);
    }
    std::clearerr(commands);  // at the end for now; the test may append more
    return false;
}

}  // namespace

extern "C" int SDL_InitSubSystem(Uint32 flags) {
    static auto real = reinterpret_cast<int (*)(Uint32)>(dlsym(RTLD_NEXT, "SDL_InitSubSystem"));
    const int result = real(flags);
    const char* name = std::getenv("VIRTUAL_PAD_COMMANDS");
    if (result == 0 && (flags & SDL_INIT_GAMECONTROLLER) != 0 && name != nullptr && commands == nullptr) {
        commands = std::fopen(name, "r");
        if (commands == nullptr) std::perror(name);
        plug();
    }
    return result;
}

extern "C" void SDL_PumpEvents(void) {
    static auto real = reinterpret_cast<void (*)(void)>(dlsym(RTLD_NEXT, "SDL_PumpEvents"));
    if (commands != nullptr && !firstPoll && nextLine()) act(line);
    firstPoll = false;
    real();
}
