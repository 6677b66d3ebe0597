-- pandoc filter for the package's HTML: links between the Markdown documents point at their HTML pages.
function Link(link)
  link.target = link.target:gsub("^([^:/#]+)%.md(#?)", "%1.html%2")
  return link
end
