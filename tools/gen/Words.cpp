#include "Words.h"

namespace lw::gen {
namespace {

// clang-format off
const char* const kFirstNames[] = {
  "James", "Mary", "John", "Patricia", "Robert", "Jennifer", "Michael", "Linda", "William",
  "Elizabeth", "David", "Barbara", "Richard", "Susan", "Joseph", "Jessica", "Thomas", "Sarah",
  "Charles", "Karen", "Christopher", "Nancy", "Daniel", "Lisa", "Matthew", "Betty", "Anthony",
  "Margaret", "Mark", "Sandra", "Donald", "Ashley", "Steven", "Kimberly", "Paul", "Emily",
  "Andrew", "Donna", "Joshua", "Michelle", "Kenneth", "Dorothy", "Kevin", "Carol", "Brian",
  "Amanda", "George", "Melissa", "Edward", "Deborah", "Ronald", "Stephanie", "Timothy",
  "Rebecca", "Jason", "Sharon", "Jeffrey", "Laura", "Ryan", "Cynthia", "Jacob", "Kathleen",
  "Gary", "Amy", "Nicholas", "Shirley", "Eric", "Angela", "Jonathan", "Helen", "Stephen",
  "Anna", "Larry", "Brenda", "Justin", "Pamela", "Scott", "Nicole", "Brandon", "Emma",
  "Benjamin", "Samantha", "Samuel", "Katherine", "Gregory", "Christine", "Frank", "Debra",
  "Alexander", "Rachel", "Raymond", "Catherine", "Patrick", "Carolyn", "Jack", "Janet",
  "Dennis", "Ruth", "Jerry", "Maria", "Tyler", "Heather", "Aaron", "Diane", "Jose", "Virginia",
  "Henry", "Julie", "Adam", "Joyce", "Douglas", "Victoria", "Nathan", "Olivia", "Peter",
  "Kelly", "Zachary", "Christina", "Kyle", "Lauren", "Walter", "Joan", "Harold", "Evelyn",
  "Jeremy", "Judith", "Ethan", "Megan", "Carl", "Cheryl", "Keith", "Andrea", "Roger", "Hannah",
  "Gerald", "Martha", "Christian", "Jacqueline", "Terry", "Frances", "Sean", "Gloria", "Arthur",
  "Ann", "Austin", "Teresa", "Noah", "Kathryn", "Lawrence", "Sara", "Jesse", "Janice", "Joe",
  "Jean", "Bryan", "Alice", "Billy", "Madison", "Jordan", "Doris", "Albert", "Abigail",
  "Dylan", "Julia", "Bruce", "Judy", "Willie", "Grace", "Gabriel", "Denise", "Alan", "Amber",
  "Juan", "Marilyn", "Logan", "Beverly", "Wayne", "Danielle", "Ralph", "Theresa", "Roy",
  "Sophia", "Eugene", "Marie", "Randy", "Diana", "Vincent", "Brittany", "Russell", "Natalie",
  "Louis", "Isabella", "Philip", "Charlotte", "Bobby", "Rose", "Johnny", "Alexis", "Bradley",
  "Kayla",
};

// Surnames made of common English syllables rather than the census list, so that no real
// person's name is copied on purpose.
const char* const kLastNames[] = {
  "Abernell", "Ackerly", "Alderton", "Ambrose", "Ashcombe", "Baxley", "Beckwith", "Belmonte",
  "Birchall", "Blakemore", "Bramwell", "Brisco", "Burkhalter", "Calloway", "Carrow", "Castell",
  "Chadwell", "Claybourne", "Colfax", "Corrigan", "Crandell", "Culbreth", "Dalby", "Danforth",
  "Darrow", "Delacourt", "Denholm", "Dorsey", "Drummond", "Dunmore", "Eastwick", "Elden",
  "Ellery", "Emmerson", "Fairbank", "Fallon", "Farrington", "Fenwick", "Finley", "Fleming",
  "Fordham", "Foxworth", "Galloway", "Garrick", "Gilchrist", "Glenmore", "Goodwin", "Granger",
  "Greeley", "Gresham", "Hadley", "Halloran", "Hargrove", "Harmon", "Hartwell", "Haskell",
  "Hawthorne", "Hendley", "Holbrook", "Hollis", "Horton", "Huxley", "Ingram", "Irwin", "Jarrell",
  "Jessup", "Kaminski", "Keller", "Kendrick", "Kessler", "Kingsley", "Kirkland", "Lachance",
  "Landry", "Langford", "Larkin", "Lathrop", "Lindqvist", "Lockhart", "Lowell", "Maddox",
  "Malloy", "Marchetti", "Marlow", "Mayhew", "McAllister", "McCready", "McKittrick",
  "Merriweather", "Milbank", "Morrow", "Nadler", "Nash", "Newcombe", "Norcross", "Novak",
  "Oakley", "O'Dell", "Okafor", "Oliveira", "Osterman", "Padgett", "Pemberton", "Penrose",
  "Petrakis", "Pickering", "Prescott", "Quimby", "Radcliffe", "Ramsay", "Ravenscroft",
  "Redfield", "Renner", "Rhodes", "Rockwell", "Rosales", "Rutledge", "Saltonstall", "Sandoval",
  "Sayer", "Schaller", "Selwyn", "Shackleford", "Sheffield", "Shipley", "Sinclair", "Slocum",
  "Southall", "Spradlin", "Stanhope", "Steckler", "Stroud", "Sutter", "Talbot", "Tankersley",
  "Thackeray", "Thornbury", "Tillman", "Townsend", "Trevino", "Tuttle", "Underhill", "Upton",
  "Vance", "Vasquez", "Vickery", "Voss", "Wadsworth", "Walcott", "Warrick", "Weatherby",
  "Wendell", "Westbrook", "Whitcomb", "Whitfield", "Wilder", "Winslow", "Woodard", "Wyatt",
  "Yardley", "Yates", "Youngblood", "Zeller", "Zimmerly",
};

const char* const kStreetNames[] = {
  "Main", "Oak", "Maple", "Elm", "Pine", "Cedar", "Walnut", "Washington", "Lake", "Hill",
  "Park", "Church", "Market", "Center", "Union", "Mill", "Spring", "Ridge", "Highland",
  "Jefferson", "Lincoln", "Madison", "Franklin", "Jackson", "Adams", "Monroe", "Broad",
  "Water", "River", "Forest", "Sunset", "Meadow", "Valley", "Orchard", "Chestnut", "Willow",
  "Prospect", "Grove", "Harbor", "College", "School", "Railroad", "Commerce", "Industrial",
  "Airport", "Country Club", "Elmwood", "Delaware", "Niagara Falls", "Transit", "Sheridan",
  "Colvin", "Harlem", "Genesee", "Seneca", "Cherry", "Dogwood", "Magnolia", "Peachtree",
  "Pleasant", "Liberty", "Franklin Mill", "Old Post", "Quaker", "Stone", "Bridge", "Canal",
  "Front", "Second", "Third", "Fourth", "Fifth", "Sixth", "Seventh", "Tenth", "Twelfth",
};

const char* const kStreetTypes[] = {
  "St", "Ave", "Rd", "Blvd", "Dr", "Ln", "Pkwy", "Hwy", "Ct", "Pl", "Way", "Ter",
};

const char* const kCompanyWords[] = {
  "Lakeside", "Summit", "Pinnacle", "Northgate", "Riverside", "Heritage", "Keystone",
  "Frontier", "Liberty", "Cornerstone", "Evergreen", "Harborview", "Meadowbrook", "Parkway",
  "Crossroads", "Golden Eagle", "Blue Ridge", "Silver Oak", "Red Barn", "Twin Pines",
  "Westside", "Eastern", "Southern", "Midwest", "Coastal", "Mountain View", "Prairie",
  "Valley", "Capital", "Metro", "Hometown", "Allied", "United", "Premier", "Quality",
  "Precision", "Reliable", "Superior", "Advanced", "Classic", "Modern", "American",
  "Continental", "Pioneer", "Sterling", "Bright Star", "Green Leaf", "Stonebridge",
};

const char* const kCompanySuffixes[] = {
  "Inc", "Inc", "Inc", "LLC", "LLC", "Co", "Corp", "Ltd", "& Sons", "Group", "Company",
};

const char* const kNoteTexts[] = {
  "Family owned since founding.",
  "Open Saturdays; closed Sundays.",
  "Second location planned for next year.",
  "Prefers contact by e-mail.",
  "Bilingual staff (English, Spanish).",
  "Seasonal business, busiest in summer.",
  "Formerly known under the owner's name.",
  "Member of the local chamber of commerce.",
  "Moved to this address after a fire at the old site.",
  "Contact says \"call after 10 am\".",
  "Franchise location, corporate office elsewhere.",
  "Accepts purchase orders from city, county and state agencies.",
  "Listed in the regional trade directory.\r\nVerified by telephone.",
  "Drive-through window; parking in rear.",
  "Do not call before 9:00.",
};
// clang-format on

}  // namespace

std::span<const char* const> FirstNames() {
  return kFirstNames;
}
std::span<const char* const> LastNames() {
  return kLastNames;
}
std::span<const char* const> StreetNames() {
  return kStreetNames;
}
std::span<const char* const> StreetTypes() {
  return kStreetTypes;
}
std::span<const char* const> CompanyWords() {
  return kCompanyWords;
}
std::span<const char* const> CompanySuffixes() {
  return kCompanySuffixes;
}
std::span<const char* const> NoteTexts() {
  return kNoteTexts;
}

}  // namespace lw::gen
