#include "app/program.h"

#include "app/ui_hooks.h"

Program::Program(HINSTANCE instance_)
    : instance(instance_),
      window(nullptr),
      options(),
      random(),
      device(),
      drive(),
      figure(random),
      notes(options, random),
      stage(figure, notes),
      order(),
      controller(device, order, options, random, kUiHooks, this),
      menu(),
      tray(),
      dialog(nullptr),
      moduleDirectory(),
      settingsLoaded(false),
      shuttingDown(false),
      taskbarCreated(0)
{
}
