# fish completion for deskmap
set -l commands spaces summarize watch key check-client switch
complete -c deskmap -f
complete -c deskmap -n "not __fish_seen_subcommand_from $commands" -l help -d 'Print help and exit'
complete -c deskmap -n "not __fish_seen_subcommand_from $commands" -l version -d 'Print the version and exit'
complete -c deskmap -n "not __fish_seen_subcommand_from $commands" -a spaces -d 'Print every Space with its windows'
complete -c deskmap -n "not __fish_seen_subcommand_from $commands" -a summarize -d 'Print a label and a summary for every Space'
complete -c deskmap -n "not __fish_seen_subcommand_from $commands" -a watch -d 'Keep the map current and print every change'
complete -c deskmap -n "not __fish_seen_subcommand_from $commands" -a key -d 'Save, clear or show an API key'
complete -c deskmap -n "not __fish_seen_subcommand_from $commands" -a check-client -d 'Check an installed client'
complete -c deskmap -n "not __fish_seen_subcommand_from $commands" -a switch -d 'Switch to a Space'

complete -c deskmap -n "__fish_seen_subcommand_from spaces summarize watch switch" -l desktop -r -d 'Desktop to read, or a scenario file' -a 'gnome kde sway i3 x11 demo (__fish_complete_suffix .json)'
complete -c deskmap -n "__fish_seen_subcommand_from spaces summarize watch" -l json -d 'Print JSON'
complete -c deskmap -n "__fish_seen_subcommand_from summarize watch" -l provider -x -d 'Summary provider' -a 'openai openrouter codex cursor'
complete -c deskmap -n "__fish_seen_subcommand_from summarize watch" -l model -x -d 'Model of openai or openrouter'
complete -c deskmap -n "__fish_seen_subcommand_from watch" -l format -x -d 'How states are printed' -a 'text json waybar polybar'
complete -c deskmap -n "__fish_seen_subcommand_from summarize" -l dry-run -d 'Print what would be sent'
complete -c deskmap -n "__fish_seen_subcommand_from watch" -l once -d 'Exit after the first refresh'
complete -c deskmap -n "__fish_seen_subcommand_from key" -l provider -x -d 'Provider of the key' -a 'openai openrouter'
complete -c deskmap -n "__fish_seen_subcommand_from key; and not __fish_seen_subcommand_from save clear status" -a 'save clear status'
complete -c deskmap -n "__fish_seen_subcommand_from check-client; and not __fish_seen_subcommand_from codex cursor" -a 'codex cursor'
complete -c deskmap -n "__fish_seen_subcommand_from $commands" -l help -d 'Print help and exit'
