-- pandoc filter for the package's HTML: links between the Markdown documents point at their
-- HTML pages, and a link that shows its target's file name shows the page's.
local function html(target)
  return (target:gsub("^([^:/#]+)%.md(#?)", "%1.html%2"))
end

function Link(link)
  link.target = html(link.target)
  return link:walk({Str = function(s) return pandoc.Str(html(s.text)) end})
end
