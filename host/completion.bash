# bash completion for strataplot: options, commands and their values (the
# project names in the directory, the gas map kinds, yes and no, ...).
# Installed as share/bash-completion/completions/strataplot.

_strataplot_words() {
  # Completes the last item of a comma-separated list from the words given.
  local cur=$1 words=$2 head=""
  [[ $cur == *,* ]] && head=${cur%,*},
  local item
  for item in $(compgen -W "$words" -- "${cur##*,}"); do COMPREPLY+=("$head$item"); done
}

_strataplot() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=""
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()

  # --option=value: the value is completed after the "=" (bash splits it off).
  if [[ $cur == = ]]; then
    cur=""
  elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
    prev=${COMP_WORDS[COMP_CWORD - 2]}
  fi

  # What was given before: the directory, the project, whether a command was.
  local dir=. project="" command="" i word next
  local commands="oil-expulsion oil-unexpelled oil-generation gas saturation history render"
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    [[ ${COMP_WORDS[i + 1]-} == = ]] && next=${COMP_WORDS[i + 2]-} || next=${COMP_WORDS[i + 1]-}
    case $word in
      -C | --directory) dir=$next ;;
      -p | --project) project=$next ;;
    esac
    [[ " $commands " == *" $word "* ]] && command=$word
  done
  dir=${dir/#\~/$HOME}

  case $prev in
    -p | --project)
      local file names=()
      for file in "$dir"/*.iga; do [[ -e $file ]] && names+=("$(basename "$file" .iga)"); done
      COMPREPLY=($(compgen -W "${names[*]}" -- "$cur"))
      return ;;
    -C | --directory)
      COMPREPLY=($(compgen -d -- "$cur"))
      return ;;
    --library)
      COMPREPLY=($(compgen -W "shared static" -- "$cur") $(compgen -f -- "$cur"))
      return ;;
    --transcript)
      COMPREPLY=($(compgen -f -- "$cur"))
      return ;;
    --interval) _strataplot_words "$cur" "default cancel"; return ;;
    --grids) _strataplot_words "$cur" "gtiff aaigrid zmap surfer xyz"; return ;;
    --contours) _strataplot_words "$cur" "gpkg geojson shp"; return ;;
    --pictures) _strataplot_words "$cur" "png svg pdf"; return ;;
    --crs) COMPREPLY=($(compgen -W "EPSG:" -- "$cur")); compopt -o nospace 2>/dev/null; return ;;
    --grid-unit) COMPREPLY=($(compgen -W "km m" -- "$cur")); return ;;
    -o | --output)
      COMPREPLY=($(compgen -f -- "$cur"))
      return ;;
    --width) return ;;
    --chart) COMPREPLY=($(compgen -W "png svg pdf" -- "$cur")); return ;;
    --overwrite) _strataplot_words "$cur" "yes no"; return ;;
    --deep) COMPREPLY=($(compgen -W "yes no" -- "$cur")); return ;;
    --kind) COMPREPLY=($(compgen -W "sg pg fg wg og kg ug eg ag cancel" -- "$cur")); return ;;
    --mode) COMPREPLY=($(compgen -W "1 2" -- "$cur")); return ;;
    --horizon)
      # The horizon file is GBK; the names are offered in UTF-8.
      local horizons=""
      if [[ -n $project && -r $dir/$project.isc ]] && command -v iconv >/dev/null; then
        horizons=$(iconv -f GBK -t UTF-8 "$dir/$project.isc" 2>/dev/null)
      fi
      local IFS=$'\n'
      COMPREPLY=($(compgen -W "$horizons"$'\n'"cancel" -- "$cur"))
      return ;;
  esac

  if [[ $command == render ]]; then
    # Map files and profiles, and the picture's options.
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W "-o --output --width" -- "$cur"))
    else
      COMPREPLY=($(compgen -f -- "$cur"))
    fi
  elif [[ $command == history && $cur == -* ]]; then
    COMPREPLY=($(compgen -W "-p --project -C --directory --quiet --transcript -o --output --chart
      --frames --crs --grid-unit -h --help" -- "$cur"))
  elif [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "-p --project -C --directory --library --mode --batch --quiet --transcript
      --interval --overwrite --deep --kind --horizon --grids --contours --pictures --crs --grid-unit
      --gui -h --help --version" -- "$cur"))
  elif [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "$commands" -- "$cur"))
  fi
}

complete -F _strataplot strataplot
