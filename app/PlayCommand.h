#pragma once

// velmora-studio --play PROJECT.vmp [--driver "Null"|"Wave Out"|"ASIO"] [--device NAME] [--seconds S]
// Plays the song in real time through an output driver, without a window,
// until its end, S seconds or Ctrl-C; `argv` holds the arguments after
// "--play". The options file is read, never written. Returns a CommandStatus.
int RunPlayCommand(int argc, char** argv);
