#pragma once

// What the helper gives up once its raw sockets are open: every
// capability (the bounding set too, where it may), the right to gain any
// again through exec, and its environment. 0, or the errno of what failed.
int dropHelperPrivileges();
