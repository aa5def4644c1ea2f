# The subsystems in their layer order: each may include only its own headers and those of the
# subsystems before it. Within the subsystems the Qt layers go core (the folder itself, no Qt),
# runtime (runtime/, Qt Core) and ui (ui/, Qt Widgets); core includes neither of the others and
# runtime no window. The windows (every ui/ folder, app/ itself and controls/) are the top layer
# and may use all of the subsystems and one another. app (the client's shell), controls and cli
# come after every subsystem; the server uses core only. CheckLayers.cmake holds every include of
# src/ and server/ to this.
set(VAULTORA_SUBSYSTEMS platform settings catalogue selection archive schedule backupset online
    connect)
set(VAULTORA_SHELL app controls cli)
